#include "support/Process.h"

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace marbrel::e2e {

namespace {

using Clock = std::chrono::steady_clock;

int openForWriting(const std::string& path) {
  return ::open(path.empty() ? "/dev/null" : path.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
}

std::string makeTempFile() {
  char pattern[] = "/tmp/marbrel-e2e-out-XXXXXX";
  const int fd = ::mkstemp(pattern);
  if (fd >= 0) ::close(fd);
  return pattern;
}

}  // namespace

Process::Process(std::vector<std::string> argv, std::map<std::string, std::string> env, const std::string& logFile,
                 const std::string& errFile) {
  spawn(argv, env, [&] { return openForWriting(logFile); },
        [&] { return errFile.empty() ? -1 : openForWriting(errFile); });
}

Process::Process(std::vector<std::string> argv, int outputFd) {
  spawn(argv, {}, [outputFd] { return outputFd; }, [] { return -1; });
}

void Process::spawn(std::vector<std::string>& argv, const std::map<std::string, std::string>& env,
                    const std::function<int()>& out, const std::function<int()>& err) {
  pid_ = ::fork();
  if (pid_ != 0) return;
  // The child: its own process group, so stopping it stops what it started too.
  ::setpgid(0, 0);
  const int output = out();
  const int errors = err();
  ::dup2(::open("/dev/null", O_RDONLY), 0);
  ::dup2(output, 1);
  ::dup2(errors >= 0 ? errors : output, 2);
  for (const auto& [key, value] : env) {
    if (key.rfind("-", 0) == 0) {
      ::unsetenv(key.c_str() + 1);
    } else {
      ::setenv(key.c_str(), value.c_str(), 1);
    }
  }
  std::vector<char*> args;
  for (auto& arg : argv) args.push_back(arg.data());
  args.push_back(nullptr);
  ::execvp(args[0], args.data());
  ::_exit(127);
}

Process::~Process() { stop(); }

bool Process::running() { return pid_ > 0 && !exitStatus(); }

std::optional<int> Process::exitStatus() {
  if (status_ || pid_ <= 0) return status_;
  int status = 0;
  if (::waitpid(pid_, &status, WNOHANG) == pid_) {
    status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }
  return status_;
}

void Process::stop(std::chrono::milliseconds grace) {
  if (pid_ <= 0 || exitStatus()) return;
  ::kill(-pid_, SIGTERM);
  ::kill(pid_, SIGTERM);
  if (waitFor([this] { return exitStatus().has_value(); }, grace)) return;
  ::kill(-pid_, SIGKILL);
  ::kill(pid_, SIGKILL);
  int status = 0;
  ::waitpid(pid_, &status, 0);
  status_ = 128 + SIGKILL;
}

CommandResult runCommand(const std::vector<std::string>& argv, const std::map<std::string, std::string>& env,
                         std::chrono::milliseconds timeout) {
  const std::string out = makeTempFile(), err = makeTempFile();
  CommandResult result;
  {
    Process command(argv, env, out, err);
    const auto deadline = Clock::now() + timeout;
    while (command.running() && Clock::now() < deadline) std::this_thread::sleep_for(std::chrono::milliseconds(2));
    if (const auto status = command.exitStatus()) result.exitCode = *status;
  }  // one that is still running is killed here
  result.out = readFile(out);
  result.err = readFile(err);
  std::remove(out.c_str());
  std::remove(err.c_str());
  return result;
}

bool waitFor(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
  const auto deadline = Clock::now() + timeout;
  for (;;) {
    if (condition()) return true;
    if (Clock::now() >= deadline) return false;
    // A short pause between polls of the condition; the deadline bounds the whole wait.
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
}

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<std::string> ownClipboardCommand(const std::vector<std::pair<std::string, std::string>>& representations,
                                             const std::string& dir) {
  static int files = 0;
  std::vector<std::string> argv = {MARBREL_E2E_HELPER, "own-clipboard"};
  for (const auto& [type, bytes] : representations) {
    const std::string file = dir + "/copy-" + std::to_string(::getpid()) + "-" + std::to_string(files++);
    std::ofstream(file, std::ios::binary) << bytes;
    ::chmod(file.c_str(), 0644);
    argv.push_back(type + "=@" + file);
  }
  return argv;
}

bool haveProgram(const std::string& name) {
  return runCommand({"sh", "-c", "command -v " + name}, {}, std::chrono::seconds(5)).exitCode == 0;
}

}  // namespace marbrel::e2e
