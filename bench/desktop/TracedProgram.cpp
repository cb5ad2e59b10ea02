#include "TracedProgram.h"

#include <algorithm>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sstream>
#include <unistd.h>

namespace marbrel::bench {

namespace {

// The program running now, stopped when this driver is interrupted, so no program outlives it.
volatile sig_atomic_t runningProgram = 0;

void onInterrupt(int signal) {
  if (runningProgram > 0) ::kill(pid_t(runningProgram), SIGTERM);
  ::_exit(128 + signal);
}

void stopProgramOnInterrupt() {
  struct sigaction action = {};
  action.sa_handler = onInterrupt;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
  sigaction(SIGHUP, &action, nullptr);
}

}  // namespace

TracedProgram::TracedProgram(const std::vector<std::string>& argv, const std::string& logFile) {
  log_ = ::open(logFile.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
  int pipeFds[2];
  if (::pipe2(pipeFds, O_CLOEXEC) != 0) return;
  stopProgramOnInterrupt();
  startedAt_ = Clock::now();
  process_ = std::make_unique<e2e::Process>(argv, pipeFds[1]);
  if (process_->started()) pid_ = process_->pid();
  runningProgram = pid_;
  ::close(pipeFds[1]);
  output_ = pipeFds[0];
}

TracedProgram::~TracedProgram() {
  if (pid_ > 0 && !exitStatus_) terminate(std::chrono::seconds(20));
  if (output_ >= 0) ::close(output_);
  if (log_ >= 0) ::close(log_);
}

void TracedProgram::takeLine(const std::string& line) {
  if (line.rfind("marbrel-trace ", 0) == 0) {
    std::istringstream fields(line.substr(14));
    TraceMark mark;
    long long nanoseconds = 0;
    if (fields >> mark.what >> mark.detail >> nanoseconds) {
      mark.at = Clock::time_point(std::chrono::duration_cast<Clock::duration>(std::chrono::nanoseconds(nanoseconds)));
      marks_.push_back(std::move(mark));
      return;
    }
  }
  if (line.find("Unresolved error") != std::string::npos) ++unresolvedErrors_;
  if (log_ >= 0) {
    const std::string text = line + "\n";
    [[maybe_unused]] const auto written = ::write(log_, text.data(), text.size());
  }
}

bool TracedProgram::readSome(int timeoutMilliseconds) {
  if (output_ < 0) return false;
  pollfd pfd{output_, POLLIN, 0};
  if (::poll(&pfd, 1, timeoutMilliseconds) <= 0) return false;
  char buffer[4096];
  const ssize_t count = ::read(output_, buffer, sizeof buffer);
  if (count <= 0) {
    ::close(output_);
    output_ = -1;
    return false;
  }
  pending_.append(buffer, std::size_t(count));
  for (std::size_t end; (end = pending_.find('\n')) != std::string::npos;) {
    takeLine(pending_.substr(0, end));
    pending_.erase(0, end + 1);
  }
  return true;
}

void TracedProgram::drain() {
  while (readSome(0)) {
  }
}

std::optional<TraceMark> TracedProgram::waitFor(const std::function<bool(const TraceMark&)>& wanted,
                                                Clock::time_point deadline) {
  for (;;) {
    const auto found = std::find_if(marks_.begin(), marks_.end(), wanted);
    if (found != marks_.end()) {
      TraceMark mark = *found;
      marks_.erase(marks_.begin(), found + 1);
      return mark;
    }
    marks_.clear();
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0 || output_ < 0) return std::nullopt;
    readSome(int(std::min<long long>(left, 200)));
  }
}

int TracedProgram::terminate(Clock::duration patience) {
  if (pid_ <= 0) return -1;
  if (exitStatus_) return *exitStatus_;
  ::kill(pid_, SIGTERM);
  // Reading on while it ends: a full pipe would hold it up.
  const auto deadline = Clock::now() + patience;
  while (!process_->exitStatus() && Clock::now() < deadline) {
    if (!readSome(50) && output_ < 0) ::poll(nullptr, 0, 50);
  }
  process_->stop(std::chrono::milliseconds(0));  // killed when still there at the deadline
  runningProgram = 0;
  drain();
  // Ended by a signal (128 and above) counts as not ended by itself.
  const int status = process_->exitStatus().value_or(-1);
  exitStatus_ = status >= 128 ? -1 : status;
  return *exitStatus_;
}

}  // namespace marbrel::bench
