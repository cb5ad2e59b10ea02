#include "core/history/Throttler.h"

#include <cmath>
#include <utility>

namespace marbrel {

namespace {

// Times are compared to the microsecond: a request made exactly the minimum delay after a run must
// wait, whatever rounding the clock's floating-point seconds bring.
long long microseconds(double seconds) { return std::llround(seconds * 1e6); }

}  // namespace

Throttler::Throttler(double minimumDelay, MainQueue& queue) : minimumDelay_(minimumDelay), queue_(queue) {}

void Throttler::throttle(std::function<void()> block) {
  if (workItem_) queue_.cancel(*workItem_);

  auto pending = std::make_shared<Block>(std::move(block));
  pending_ = pending;
  std::weak_ptr<State> weakState = state_;
  MainQueue& queue = queue_;
  auto work = [weakState, &queue, pending] {
    if (!*pending) return;  // flushed already
    const Block run = std::exchange(*pending, nullptr);
    if (auto state = weakState.lock()) state->previousRun = queue.now();
    run();
  };

  const bool quiet = !state_->previousRun ||
                     microseconds(queue_.now() - *state_->previousRun) > microseconds(minimumDelay_);
  workItem_ = queue_.asyncAfter(quiet ? 0.0 : minimumDelay_, std::move(work));
}

void Throttler::flush() {
  const std::shared_ptr<Block> pending = pending_.lock();
  if (!pending || !*pending) return;
  if (workItem_) queue_.cancel(*workItem_);
  workItem_.reset();
  // Taken out first: the block may throttle again.
  const Block run = std::exchange(*pending, nullptr);
  state_->previousRun = queue_.now();
  run();
}

}  // namespace marbrel
