#pragma once

#include <chrono>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <sys/types.h>
#include <vector>

namespace marbrel::e2e {

// A child process that the test started; stopped (TERM, then KILL) when the object goes away, so no
// test leaves processes behind.
class Process {
 public:
  // Starts `argv[0]` (looked up in PATH) with `env` added to the environment (a key "-NAME" removes
  // NAME); its output goes to `logFile` (or /dev/null when empty), its errors to `errFile` if given.
  Process(std::vector<std::string> argv, std::map<std::string, std::string> env = {},
          const std::string& logFile = "", const std::string& errFile = "");
  // The same with output and errors both going to the open file `outputFd` (a pipe's writing end,
  // say), which the caller still owns and closes.
  Process(std::vector<std::string> argv, int outputFd);
  ~Process();
  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;

  pid_t pid() const { return pid_; }
  bool started() const { return pid_ > 0; }
  // Whether it still runs (reaps it when it has ended).
  bool running();
  // Its exit status once it ended, else nothing.
  std::optional<int> exitStatus();
  // Sends TERM and waits up to `grace` for the end, then KILL.
  void stop(std::chrono::milliseconds grace = std::chrono::milliseconds(3000));

 private:
  // Forks; in the child, makes its own process group, sets the environment, runs argv[0] with
  // standard output on `out` and errors on `err` (opened in the child by `open` when -1).
  void spawn(std::vector<std::string>& argv, const std::map<std::string, std::string>& env,
             const std::function<int()>& out, const std::function<int()>& err);

  pid_t pid_ = -1;
  std::optional<int> status_;
};

// What a finished command printed and how it ended.
struct CommandResult {
  int exitCode = -1;  // -1: did not finish in time, or could not start
  std::string out;
  std::string err;
};

// Runs a command to its end (killing it after `timeout`) and collects its output.
CommandResult runCommand(const std::vector<std::string>& argv, const std::map<std::string, std::string>& env = {},
                         std::chrono::milliseconds timeout = std::chrono::seconds(20));

// Calls `condition` until it holds or `timeout` passes, pausing briefly between calls. Returns
// whether it held.
bool waitFor(const std::function<bool()>& condition, std::chrono::milliseconds timeout = std::chrono::seconds(20));

// A file's bytes; empty when it cannot be read.
std::string readFile(const std::string& path);

// The helper's command that copies `representations` (TYPE and bytes each), their bytes passed
// through files in `dir` (so any byte, NUL included, survives), readable by any user.
std::vector<std::string> ownClipboardCommand(const std::vector<std::pair<std::string, std::string>>& representations,
                                             const std::string& dir);

// Whether a program can be found in PATH.
bool haveProgram(const std::string& name);

}  // namespace marbrel::e2e
