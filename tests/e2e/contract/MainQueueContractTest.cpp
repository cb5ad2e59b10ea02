// One suite, two main queues: the virtual-time fake the unit tests use and the Qt event loop the
// program uses. Both must order and cancel tasks the same way (the capture timer's repeats: every scenario).
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
  bool runUntil(const std::function<bool()>& done) {
    for (double t = 0; t <= 30 && !done(); t += 0.01) {
      queue.runUntilIdle();
      if (!done()) queue.advance(0.01);
    }
    return done();
  }
};

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

TYPED_TEST(MainQueueContract, TasksRunOnALaterTurnInTheOrderTheyFallDueUnlessCancelled) {
  std::vector<std::string> ran;
  const double start = this->queue().now();
  double lateAt = 0;
  this->queue().asyncAfter(0.2, [&] {
    ran.push_back("late");
    lateAt = this->queue().now();
  });
  const auto cancelled = this->queue().asyncAfter(0.1, [&] { ran.push_back("cancelled"); });
  this->queue().asyncAfter(0.05, [&] { ran.push_back("soon"); });
  this->queue().async([&] { ran.push_back("next"); });
  this->queue().async([&] { ran.push_back("next2"); });
  this->queue().cancel(cancelled);
  this->queue().cancel(cancelled);   // twice
  this->queue().cancel(987654321);  // never issued
  EXPECT_TRUE(ran.empty()) << "a task never runs inside the call that queues it";
  ASSERT_TRUE(this->harness.runUntil([&] { return ran.size() == 4; }));
  EXPECT_EQ(ran, (std::vector<std::string>{"next", "next2", "soon", "late"}));
  // Timers may fire a little late, never early (a millisecond of rounding aside).
  EXPECT_GE(lateAt - start, 0.199);
  EXPECT_GT(start, 1.6e9) << "now() is seconds since the Unix epoch";
}

}  // namespace
}  // namespace marbrel
