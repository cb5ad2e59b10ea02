// The Qt event loop's main queue, as the program uses it: tasks run on a later turn in the order
// they fall due, never early, unless cancelled (the capture timer's repeats: every scenario).
#include <gtest/gtest.h>

#include "contract/ContractEnvironment.h"
#include "shell/QtMainQueue.h"
#include "support/QtEvents.h"

namespace marbrel {
namespace {

TEST(QtMainQueueTest, TasksRunOnALaterTurnInTheOrderTheyFallDueUnlessCancelled) {
  if (!e2e::ContractEnvironment::haveDisplay()) GTEST_SKIP() << "no X server";
  QtMainQueue queue;
  std::vector<std::string> ran;
  const double start = queue.now();
  double lateAt = 0;
  queue.asyncAfter(0.2, [&] {
    ran.push_back("late");
    lateAt = queue.now();
  });
  const auto cancelled = queue.asyncAfter(0.1, [&] { ran.push_back("cancelled"); });
  queue.asyncAfter(0.05, [&] { ran.push_back("soon"); });
  queue.async([&] { ran.push_back("next"); });
  queue.async([&] { ran.push_back("next2"); });
  queue.cancel(cancelled);
  queue.cancel(cancelled);   // twice
  queue.cancel(987654321);  // never issued
  EXPECT_TRUE(ran.empty()) << "a task never runs inside the call that queues it";
  ASSERT_TRUE(testing::processEventsUntil([&] { return ran.size() == 4; }, std::chrono::seconds(30)));
  EXPECT_EQ(ran, (std::vector<std::string>{"next", "next2", "soon", "late"}));
  // Timers may fire a little late, never early (a millisecond of rounding aside).
  EXPECT_GE(lateAt - start, 0.199);
  EXPECT_GT(start, 1.6e9) << "now() is seconds since the Unix epoch";
}

}  // namespace
}  // namespace marbrel
