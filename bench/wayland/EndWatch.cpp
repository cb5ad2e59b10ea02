#include "EndWatch.h"

#include <poll.h>
#include <sys/syscall.h>
#include <unistd.h>

#include "ProcessSample.h"

namespace marbrel::bench {

EndWatch::EndWatch(pid_t pid) : fd_(int(::syscall(SYS_pidfd_open, pid, 0))) {
  if (fd_ < 0) return;
  waiter_ = std::thread([this, pid] {
    pollfd pfd{fd_, POLLIN, 0};
    if (::poll(&pfd, 1, 10000) <= 0) return;
    endedAt_ = Clock::now();
    cpuSeconds_ = ProcessSample::cpuSeconds(pid);
  });
}

EndWatch::~EndWatch() {
  join();
  if (fd_ >= 0) ::close(fd_);
}

void EndWatch::join() {
  if (waiter_.joinable()) waiter_.join();
}

std::optional<Clock::time_point> EndWatch::endedAt() {
  join();
  return endedAt_;
}

std::optional<double> EndWatch::cpuSeconds() {
  join();
  return cpuSeconds_;
}

}  // namespace marbrel::bench
