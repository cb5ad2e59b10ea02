#include "core/history/Throttler.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "fakes/FakeMainQueue.h"

namespace marbrel {
namespace {

class ThrottlerTest : public ::testing::Test {
 protected:
  // Records which block ran and at what virtual time, relative to the start.
  std::function<void()> record(std::string name) {
    return [this, name] { runs.push_back({name, queue.now() - start}); };
  }

  struct Run {
    std::string name;
    double at;
  };
  FakeMainQueue queue;
  const double start = queue.now();
  Throttler throttler{0.2, queue};
  std::vector<Run> runs;
};

TEST_F(ThrottlerTest, TheFirstRequestRunsOnTheNextTurnNotInsideTheCall) {
  throttler.throttle(record("first"));
  EXPECT_TRUE(runs.empty());
  queue.runUntilIdle();
  ASSERT_EQ(runs.size(), 1u);
  EXPECT_DOUBLE_EQ(runs[0].at, 0.0);
}

TEST_F(ThrottlerTest, ARequestAfterAQuietSpellRunsAtOnceAndOneSoonerWaits) {
  throttler.throttle(record("a"));
  queue.runUntilIdle();
  queue.advance(0.3);
  throttler.throttle(record("b"));  // 0.3 s after the last run: at once
  queue.runUntilIdle();
  ASSERT_EQ(runs.size(), 2u);
  EXPECT_NEAR(runs[1].at, 0.3, 1e-6);

  queue.advance(0.1);
  throttler.throttle(record("c"));  // 0.1 s after: waits 0.2 s
  queue.runUntilIdle();
  EXPECT_EQ(runs.size(), 2u);
  queue.advance(0.2);
  ASSERT_EQ(runs.size(), 3u);
  EXPECT_NEAR(runs[2].at, 0.6, 1e-6);
}

TEST_F(ThrottlerTest, ANewerRequestReplacesTheWaitingOne) {
  throttler.throttle(record("a"));
  queue.runUntilIdle();
  queue.advance(0.1);
  throttler.throttle(record("b"));
  queue.advance(0.05);
  throttler.throttle(record("c"));  // cancels b, itself waits 0.2 s
  queue.advance(0.19);
  EXPECT_EQ(runs.size(), 1u);
  queue.advance(0.02);
  ASSERT_EQ(runs.size(), 2u);
  EXPECT_EQ(runs[1].name, "c");
  EXPECT_NEAR(runs[1].at, 0.35, 1e-6);
  queue.advance(1.0);
  EXPECT_EQ(runs.size(), 2u);
}

TEST_F(ThrottlerTest, ExactlyTheMinimumDelayAfterARunStillWaits) {
  throttler.throttle(record("a"));
  queue.runUntilIdle();
  queue.advance(0.2);
  throttler.throttle(record("b"));
  queue.runUntilIdle();
  EXPECT_EQ(runs.size(), 1u);
  queue.advance(0.2);
  EXPECT_EQ(runs.size(), 2u);
}

TEST_F(ThrottlerTest, CancelledRequestsDoNotMoveTheLastRun) {
  throttler.throttle(record("a"));
  queue.runUntilIdle();  // ran at 0
  queue.advance(0.1);
  throttler.throttle(record("b"));  // waits until 0.3
  queue.advance(0.15);
  // b never ran, so the last run is still at 0: 0.25 s ago, more than the delay.
  throttler.throttle(record("c"));
  queue.runUntilIdle();
  ASSERT_EQ(runs.size(), 2u);
  EXPECT_EQ(runs[1].name, "c");
  EXPECT_NEAR(runs[1].at, 0.25, 1e-6);
}

TEST_F(ThrottlerTest, TypingThreeCharactersFiftyMillisecondsApartSearchesTwice) {
  throttler.throttle(record("v"));
  queue.runUntilIdle();
  queue.advance(0.05);
  throttler.throttle(record("va"));
  queue.advance(0.05);
  throttler.throttle(record("val"));
  queue.advance(1.0);
  ASSERT_EQ(runs.size(), 2u);
  EXPECT_EQ(runs[0].name, "v");
  EXPECT_EQ(runs[1].name, "val");
  EXPECT_NEAR(runs[1].at, 0.3, 1e-6);
}

TEST_F(ThrottlerTest, APendingBlockStillRunsAfterTheThrottlerIsGone) {
  bool ran = false;
  {
    Throttler shortLived(0.2, queue);
    shortLived.throttle([&] { ran = true; });
  }
  queue.runUntilIdle();
  EXPECT_TRUE(ran);
}

}  // namespace
}  // namespace marbrel
