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

void applyEnvironment(const std::map<std::string, std::string>& env) {
  for (const auto& [key, value] : env) {
    if (key.rfind("-", 0) == 0) {
      ::unsetenv(key.c_str() + 1);
    } else {
      ::setenv(key.c_str(), value.c_str(), 1);
    }
  }
}

Process::Process(std::vector<std::string> argv, const std::map<std::string, std::string>& env,
                 const std::string& logFile, const std::string& errFile) {
  const auto open = [](const std::string& path) {
    return ::open(path.empty() ? "/dev/null" : path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
  };
  const int output = open(logFile), errors = errFile.empty() ? output : open(errFile);
  spawn(argv, env, output, errors);
  ::close(output);
  if (errors != output) ::close(errors);
}

void Process::spawn(std::vector<std::string>& argv, const std::map<std::string, std::string>& env, int output, int errors) {
  pid_ = ::fork();
  if (pid_ != 0) return;
  ::setpgid(0, 0);
  ::dup2(::open("/dev/null", O_RDONLY), 0);
  ::dup2(output, 1);
  ::dup2(errors, 2);
  applyEnvironment(env);
  std::vector<char*> args;
  for (auto& arg : argv) args.push_back(arg.data());
  args.push_back(nullptr);
  ::execvp(args[0], args.data());
  ::_exit(127);
}

std::optional<int> Process::exitStatus() {
  int status = 0;
  if (!status_ && pid_ > 0 && ::waitpid(pid_, &status, WNOHANG) == pid_) {
    status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }
  return status_;
}

void Process::stop(std::chrono::milliseconds grace) {
  if (!running()) return;
  for (const int signal : {SIGTERM, SIGKILL}) {
    ::kill(-pid_, signal);
    ::kill(pid_, signal);
    if (signal == SIGTERM && waitFor([this] { return exitStatus().has_value(); }, grace)) return;
  }
  int status = 0;
  ::waitpid(pid_, &status, 0);
  status_ = 128 + SIGKILL;
}

CommandResult runCommand(const std::vector<std::string>& argv, const std::map<std::string, std::string>& env,
                         std::chrono::milliseconds timeout) {
  char out[] = "/tmp/marbrel-e2e-out-XXXXXX", err[] = "/tmp/marbrel-e2e-err-XXXXXX";
  ::close(::mkstemp(out));
  ::close(::mkstemp(err));
  CommandResult result;
  {
    Process command(argv, env, out, err);
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (command.running() && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    result.exitCode = command.exitStatus().value_or(-1);
  }  // one that is still running is killed here
  result.out = readFile(out);
  result.err = readFile(err);
  std::remove(out);
  std::remove(err);
  return result;
}

bool waitFor(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!condition()) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));  // between polls; the deadline bounds the wait
  }
  return true;
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
