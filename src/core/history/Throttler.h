#pragma once

#include <functional>
#include <memory>
#include <optional>

#include "core/platform/MainQueue.h"

namespace marbrel {

// Runs a block on a queue shortly after it is asked to, folding requests that come within the
// minimum delay of the last run into one delayed run of the newest block.
class Throttler {
 public:
  // `queue` is not owned and outlives the throttler.
  Throttler(double minimumDelay, MainQueue& queue);
  // A pending block still runs after the throttler is gone.
  ~Throttler() = default;
  Throttler(const Throttler&) = delete;
  Throttler& operator=(const Throttler&) = delete;

  // Cancels the waiting block, if any, and schedules `block`: on the next turn of the queue when more
  // than the minimum delay has passed since the last run, else after the minimum delay.
  void throttle(std::function<void()> block);
  // Runs the waiting block now, if there is one, instead of at its scheduled time; that counts as
  // its run, so a request right after it waits the minimum delay. Does nothing when none waits.
  void flush();

  double minimumDelay() const { return minimumDelay_; }

 private:
  struct State {
    std::optional<double> previousRun;  // none: the distant past
  };
  using Block = std::function<void()>;

  double minimumDelay_;
  MainQueue& queue_;
  std::shared_ptr<State> state_ = std::make_shared<State>();
  std::optional<MainQueue::TaskId> workItem_;
  // The block of the scheduled work item, shared with it: emptied by whichever runs it first. The
  // work item owns it, so it lapses once the item has run or been cancelled.
  std::weak_ptr<Block> pending_;
};

}  // namespace marbrel
