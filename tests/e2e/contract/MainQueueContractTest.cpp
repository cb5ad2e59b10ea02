// One suite, two main queues: the virtual-time fake the unit tests use and the Qt event loop the
// program uses. Both must order, cancel and repeat tasks the same way.
#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "contract/ContractEnvironment.h"
#include "fakes/FakeMainQueue.h"
#include "shell/QtMainQueue.h"
#include "support/QtEvents.h"

namespace marbrel {
namespace {

// Runs the fake's virtual clock forward in small steps until `done` holds.
struct FakeQueueHarness {
  static constexpr bool kNeedsDisplay = false;
  FakeMainQueue queue;
  bool runUntil(const std::function<bool()>& done, double maxSeconds = 30) {
    for (double t = 0; t <= maxSeconds; t += 0.01) {
      queue.runUntilIdle();
      if (done()) return true;
      queue.advance(0.01);
    }
    return done();
  }
};

// Runs the Qt event loop until `done` holds, with a deadline generous enough for a busy machine.
struct QtQueueHarness {
  static constexpr bool kNeedsDisplay = true;
  QtMainQueue queue;
  bool runUntil(const std::function<bool()>& done) { return testing::processEventsUntil(done, std::chrono::seconds(30)); }
};

template <typename Harness>
class MainQueueContract : public ::testing::Test {
 protected:
  void SetUp() override {
    if (Harness::kNeedsDisplay && !e2e::ContractEnvironment::haveDisplay()) GTEST_SKIP() << "no X server";
  }
  Harness harness;
  MainQueue& queue() { return harness.queue; }
};

using Harnesses = ::testing::Types<FakeQueueHarness, QtQueueHarness>;
TYPED_TEST_SUITE(MainQueueContract, Harnesses);

TYPED_TEST(MainQueueContract, TasksRunOnALaterTurnInTheOrderTheyFallDue) {
  std::vector<std::string> ran;
  this->queue().asyncAfter(0.2, [&] { ran.push_back("late"); });
  this->queue().asyncAfter(0.05, [&] { ran.push_back("soon"); });
  this->queue().async([&] { ran.push_back("next"); });
  this->queue().async([&] { ran.push_back("next2"); });
  EXPECT_TRUE(ran.empty()) << "a task never runs inside the call that queues it";
  ASSERT_TRUE(this->harness.runUntil([&] { return ran.size() == 4; }));
  EXPECT_EQ(ran, (std::vector<std::string>{"next", "next2", "soon", "late"}));
}

TYPED_TEST(MainQueueContract, CancelledTasksNeverRunAndUnknownIdsAreIgnored) {
  bool cancelledRan = false;
  bool sentinelRan = false;
  const auto id = this->queue().asyncAfter(0.05, [&] { cancelledRan = true; });
  this->queue().asyncAfter(0.1, [&] { sentinelRan = true; });
  this->queue().cancel(id);
  this->queue().cancel(id);        // twice
  this->queue().cancel(987654321);  // never issued
  ASSERT_TRUE(this->harness.runUntil([&] { return sentinelRan; }));
  EXPECT_FALSE(cancelledRan);
}

TYPED_TEST(MainQueueContract, RepeatingTimerRepeatsUntilItCancelsItself) {
  int ticks = 0;
  MainQueue::TaskId id = 0;
  id = this->queue().scheduleRepeating(0.02, [&] {
    if (++ticks == 3) this->queue().cancel(id);
  });
  bool later = false;
  ASSERT_TRUE(this->harness.runUntil([&] { return ticks == 3; }));
  this->queue().asyncAfter(0.1, [&] { later = true; });
  ASSERT_TRUE(this->harness.runUntil([&] { return later; }));
  EXPECT_EQ(ticks, 3);
}

TYPED_TEST(MainQueueContract, ClockMovesOnByAtLeastTheDelay) {
  const double start = this->queue().now();
  double ranAt = 0;
  this->queue().asyncAfter(0.15, [&] { ranAt = this->queue().now(); });
  ASSERT_TRUE(this->harness.runUntil([&] { return ranAt != 0; }));
  // Timers may fire a little late, never early (a millisecond of rounding aside).
  EXPECT_GE(ranAt - start, 0.149);
  EXPECT_GT(start, 1.6e9) << "now() is seconds since the Unix epoch";
}

TYPED_TEST(MainQueueContract, ATaskThatQueuesAnotherForNowDoesNotStarveLaterOnes) {
  int chained = 0;
  bool other = false;
  std::function<void()> chain = [&] {
    if (++chained < 50) this->queue().async(chain);
  };
  this->queue().async(chain);
  this->queue().asyncAfter(0.01, [&] { other = true; });
  ASSERT_TRUE(this->harness.runUntil([&] { return chained == 50 && other; }));
}

}  // namespace
}  // namespace marbrel
