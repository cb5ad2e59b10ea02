#pragma once

#include <chrono>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <sys/types.h>
#include <utility>
#include <vector>

namespace marbrel::e2e {

// Changes this process's environment: each key is set to its value, and a key "-NAME" removes NAME.
void applyEnvironment(const std::map<std::string, std::string>& env);

// A child process in a process group of its own, stopped (TERM, then KILL, the whole group) when the
// object goes away, so no test leaves processes behind.
class Process {
 public:
  // Starts `argv[0]` (from PATH) with `env` applied, output to `logFile` (or /dev/null), errors to `errFile` or with it.
  Process(std::vector<std::string> argv, const std::map<std::string, std::string>& env = {},
          const std::string& logFile = "", const std::string& errFile = "");
  // The same with output and errors going to the open file `outputFd`, which the caller still owns.
  Process(std::vector<std::string> argv, int outputFd) { spawn(argv, {}, outputFd, outputFd); }
  ~Process() { stop(); }
  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;

  pid_t pid() const { return pid_; }
  bool started() const { return pid_ > 0; }
  bool running() { return pid_ > 0 && !exitStatus(); }
  // Its exit status once it ended (128 + the signal when killed), else nothing.
  std::optional<int> exitStatus();
  // Sends TERM and waits up to `grace` for the end, then KILL.
  void stop(std::chrono::milliseconds grace = std::chrono::milliseconds(3000));

 private:
  void spawn(std::vector<std::string>& argv, const std::map<std::string, std::string>& env, int output, int errors);

  pid_t pid_ = -1;
  std::optional<int> status_;
};

struct CommandResult {
  int exitCode = -1;  // -1: did not finish in time, or could not start
  std::string out;
  std::string err;
};

// Runs a command to its end (killing it after `timeout`).
CommandResult runCommand(const std::vector<std::string>& argv, const std::map<std::string, std::string>& env = {},
                         std::chrono::milliseconds timeout = std::chrono::seconds(20));

// Polls `condition` until it holds or `timeout` passes; returns whether it held.
bool waitFor(const std::function<bool()>& condition, std::chrono::milliseconds timeout = std::chrono::seconds(20));

std::string readFile(const std::string& path);

// The helper's command that copies `representations` (TYPE and bytes each), the bytes passed through
// files in `dir` readable by any user (so any byte, NUL included, survives).
std::vector<std::string> ownClipboardCommand(const std::vector<std::pair<std::string, std::string>>& representations,
                                             const std::string& dir);

bool haveProgram(const std::string& name);

}  // namespace marbrel::e2e
