#include "support/Process.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <poll.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace marbrel::e2e {

namespace {

using Clock = std::chrono::steady_clock;

void applyEnvironment(const std::map<std::string, std::string>& env) {
  for (const auto& [key, value] : env) {
    if (value.empty() && key.rfind("-", 0) == 0) {
      ::unsetenv(key.c_str() + 1);
    } else {
      ::setenv(key.c_str(), value.c_str(), 1);
    }
  }
}

[[noreturn]] void execute(const std::vector<std::string>& argv) {
  std::vector<char*> args;
  for (const auto& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);
  ::execvp(args[0], args.data());
  ::_exit(127);
}

}  // namespace

Process::Process(std::vector<std::string> argv, std::map<std::string, std::string> env, const std::string& logFile) {
  pid_ = ::fork();
  if (pid_ != 0) return;
  // The child: its own process group, so stopping it stops what it started too.
  ::setpgid(0, 0);
  const int in = ::open("/dev/null", O_RDONLY);
  const int out = ::open(logFile.empty() ? "/dev/null" : logFile.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
  ::dup2(in, 0);
  ::dup2(out, 1);
  ::dup2(out, 2);
  applyEnvironment(env);
  execute(argv);
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
                         std::chrono::milliseconds timeout, const std::string& input) {
  CommandResult result;
  int inPipe[2], outPipe[2], errPipe[2];
  if (::pipe(inPipe) || ::pipe(outPipe) || ::pipe(errPipe)) return result;
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::setpgid(0, 0);
    ::dup2(inPipe[0], 0);
    ::dup2(outPipe[1], 1);
    ::dup2(errPipe[1], 2);
    for (int fd : {inPipe[0], inPipe[1], outPipe[0], outPipe[1], errPipe[0], errPipe[1]}) ::close(fd);
    applyEnvironment(env);
    execute(argv);
  }
  ::close(inPipe[0]);
  ::close(outPipe[1]);
  ::close(errPipe[1]);
  if (!input.empty()) [[maybe_unused]] auto n = ::write(inPipe[1], input.data(), input.size());
  ::close(inPipe[1]);
  const auto deadline = Clock::now() + timeout;
  bool outOpen = true, errOpen = true;
  while ((outOpen || errOpen) && Clock::now() < deadline) {
    pollfd fds[2] = {{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}};
    const int left = int(std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count());
    if (::poll(fds, 2, std::max(1, left)) <= 0) continue;
    char buffer[4096];
    for (int i = 0; i < 2; ++i) {
      if (!(fds[i].revents & (POLLIN | POLLHUP))) continue;
      const ssize_t n = ::read(fds[i].fd, buffer, sizeof buffer);
      if (n > 0) {
        (i == 0 ? result.out : result.err).append(buffer, std::size_t(n));
      } else {
        (i == 0 ? outOpen : errOpen) = false;
      }
    }
  }
  ::close(outPipe[0]);
  ::close(errPipe[0]);
  int status = 0;
  if (outOpen || errOpen) {
    ::kill(-pid, SIGKILL);
    ::waitpid(pid, &status, 0);
    return result;
  }
  // Output closed: the command is ending; it may still take a moment.
  while (::waitpid(pid, &status, WNOHANG) == 0) {
    if (Clock::now() >= deadline) {
      ::kill(-pid, SIGKILL);
      ::waitpid(pid, &status, 0);
      return result;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
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

bool haveProgram(const std::string& name) {
  return runCommand({"sh", "-c", "command -v " + name}, {}, std::chrono::seconds(5)).exitCode == 0;
}

}  // namespace marbrel::e2e
