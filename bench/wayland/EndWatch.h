#pragma once

#include <optional>
#include <sys/types.h>
#include <thread>

#include "TracedProgram.h"

namespace marbrel::bench {

// Notes when a child process ends, and the processor time it used, from a thread that waits on a
// process file descriptor taken as soon as the child started. An ended child stays readable in
// /proc until it is reaped, so its times are read before that.
class EndWatch {
 public:
  explicit EndWatch(pid_t pid);
  ~EndWatch();
  EndWatch(const EndWatch&) = delete;
  EndWatch& operator=(const EndWatch&) = delete;

  // When it ended; nothing when it ran on for 10 s (or could not be watched).
  std::optional<Clock::time_point> endedAt();
  // Its utime + stime in seconds, once it ended.
  std::optional<double> cpuSeconds();

 private:
  void join();

  int fd_ = -1;
  std::thread waiter_;
  std::optional<Clock::time_point> endedAt_;
  std::optional<double> cpuSeconds_;
};

}  // namespace marbrel::bench
