#include "core/history/Throttler.h"

#include <cmath>

namespace marbrel {

namespace {

// Times are compared to the microsecond: a request made exactly the minimum delay after a run must
// wait, whatever rounding the clock's floating-point seconds bring.
long long microseconds(double seconds) { return std::llround(seconds * 1e6); }

}  // namespace

Throttler::Throttler(double minimumDelay, MainQueue& queue) : minimumDelay_(minimumDelay), queue_(queue) {}

void Throttler::throttle(std::function<void()> block) {
  if (workItem_) queue_.cancel(*workItem_);

  std::weak_ptr<State> weakState = state_;
  MainQueue& queue = queue_;
  auto work = [weakState, &queue, block = std::move(block)] {
    if (auto state = weakState.lock()) state->previousRun = queue.now();
    block();
  };

  const bool quiet = !state_->previousRun ||
                     microseconds(queue_.now() - *state_->previousRun) > microseconds(minimumDelay_);
  workItem_ = queue_.asyncAfter(quiet ? 0.0 : minimumDelay_, std::move(work));
}

}  // namespace marbrel
