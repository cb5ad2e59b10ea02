#pragma once

#include <cstddef>
#include <map>
#include <utility>

#include "core/platform/MainQueue.h"

namespace marbrel {

// A main queue on a virtual clock: nothing runs until a test advances time or drains the queue.
class FakeMainQueue : public MainQueue {
 public:
  // The clock starts at a fixed date (2026-01-01 00:00:00 UTC) so dates in tests are stable.
  explicit FakeMainQueue(double start = 1767225600.0) : now_(start) {}

  double now() const override { return now_; }
  TaskId asyncAfter(double seconds, Task task) override;
  TaskId scheduleRepeating(double interval, Task task) override;
  void cancel(TaskId id) override;

  // Moves the clock forward by `seconds`, running every task that falls due on the way, in time order
  // (tasks queued meanwhile for a time inside the span run too).
  void advance(double seconds);
  // Runs the tasks due now, including those they queue for now; stops after `maxTasks`.
  // Returns how many ran.
  std::size_t runUntilIdle(std::size_t maxTasks = 10000);

 private:
  struct Entry {
    Task task;
    double interval = 0;  // > 0 for repeating timers
  };
  // Ordered by due time, then by id (the order in which they were queued).
  using Key = std::pair<double, TaskId>;

  TaskId schedule(double due, Task task, double interval, TaskId id = 0);
  bool runOneDueBy(double limit);

  double now_;
  TaskId nextId_ = 1;
  std::map<Key, Entry> tasks_;
  std::map<TaskId, Key> keys_;
};

}  // namespace marbrel
