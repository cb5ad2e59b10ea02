#include "core/history/Throttler.h"

#include <gtest/gtest.h>

#include "fakes/FakeMainQueue.h"

namespace marbrel {
namespace {

// Requests made at given times (seconds from the start) to a throttler with a 0.2 s delay, and the
// runs they lead to. A request named "flush" flushes the throttler instead.
using Times = std::vector<std::pair<double, std::string>>;
struct Timeline { const char* behaviour; Times requests, runs; };

TEST(Throttler, RunsTheLatestRequestNoSoonerThanTheDelayAfterTheLastRun) {
  const Timeline timelines[] = {
      {"after a quiet spell at once; sooner, it waits", {{0, "a"}, {0.3, "b"}, {0.4, "c"}}, {{0, "a"}, {0.3, "b"}, {0.6, "c"}}},
      {"exactly the delay after a run still waits", {{0, "a"}, {0.2, "b"}}, {{0, "a"}, {0.4, "b"}}},
      {"a replaced request does not count as a run", {{0, "a"}, {0.1, "b"}, {0.25, "c"}}, {{0, "a"}, {0.25, "c"}}},
      {"a flush runs the waiting request at once, once, and counts as a run",
       {{0, "a"}, {0.1, "b"}, {0.15, "flush"}, {0.2, "flush"}, {0.3, "c"}}, {{0, "a"}, {0.15, "b"}, {0.5, "c"}}},
      {"a flush with nothing waiting is no run", {{0, "a"}, {0.3, "flush"}, {0.45, "b"}}, {{0, "a"}, {0.45, "b"}}},
  };
  for (const auto& timeline : timelines) {
    SCOPED_TRACE(timeline.behaviour);
    FakeMainQueue queue;
    const double start = queue.now();
    Throttler throttler{0.2, queue};
    Times runs;
    for (const auto& [at, name] : timeline.requests) {
      queue.advance(start + at - queue.now());
      if (name == "flush") {
        throttler.flush();
        continue;
      }
      const std::size_t before = runs.size();
      throttler.throttle([&, name = name] { runs.emplace_back(queue.now() - start, name); });
      EXPECT_EQ(runs.size(), before) << "never inside the call";
    }
    queue.advance(1.0);
    ASSERT_EQ(runs.size(), timeline.runs.size());
    for (std::size_t i = 0; i < runs.size(); ++i) {
      EXPECT_NEAR(runs[i].first, timeline.runs[i].first, 1e-6);
      EXPECT_EQ(runs[i].second, timeline.runs[i].second);
    }
  }
}

}  // namespace
}  // namespace marbrel
