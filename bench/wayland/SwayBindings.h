#pragma once

#include <atomic>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "TracedProgram.h"

namespace marbrel::bench {

// Listens on sway's IPC socket for binding events and notes when each arrived: the moment the
// compositor took a bound key and ran its command.
class SwayBindings {
 public:
  // Subscribes on the IPC socket at `socketPath`; ok() says whether that worked.
  explicit SwayBindings(const std::string& socketPath);
  ~SwayBindings();
  SwayBindings(const SwayBindings&) = delete;
  SwayBindings& operator=(const SwayBindings&) = delete;

  bool ok() const { return subscribed_; }
  // Whether the listening thread runs at a real-time priority, so that it notes each binding as it
  // arrives even on a busy machine (else the times may come late, and figures from them short).
  bool realTime() const { return realTime_; }
  // When the first binding at or after `after` ran, if one did.
  std::optional<Clock::time_point> firstAfter(Clock::time_point after) const;

 private:
  void listen();

  int socket_ = -1;
  int stopPipe_[2] = {-1, -1};
  bool subscribed_ = false;
  std::atomic<bool> realTime_ = false;
  std::thread listener_;
  mutable std::mutex mutex_;
  std::vector<Clock::time_point> bindings_;
};

}  // namespace marbrel::bench
