#pragma once

#include <algorithm>
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
  TaskId asyncAfter(double seconds, Task task) override { return schedule(now_ + std::max(0.0, seconds), std::move(task), 0); }
  TaskId scheduleRepeating(double interval, Task task) override { return schedule(now_ + interval, std::move(task), interval); }
  void cancel(TaskId id) override {
    std::erase_if(tasks_, [id](const auto& task) { return task.first.second == id; });
  }

  // Moves the clock forward by `seconds`, running every task that falls due on the way, in time order
  // (tasks queued meanwhile for a time inside the span run too).
  void advance(double seconds) {
    const double target = now_ + seconds;
    while (runOneDueBy(target)) {
    }
    now_ = target;
  }
  // Runs the tasks due now, including those they queue for now; stops after `maxTasks`.
  // Returns how many ran.
  std::size_t runUntilIdle(std::size_t maxTasks = 10000) {
    std::size_t ran = 0;
    while (ran < maxTasks && runOneDueBy(now_)) ++ran;
    return ran;
  }

 private:
  struct Entry {
    Task task;
    double interval = 0;  // > 0 for repeating timers
  };

  TaskId schedule(double due, Task task, double interval, TaskId id = 0) {
    if (id == 0) id = nextId_++;
    tasks_[{due, id}] = Entry{std::move(task), interval};
    return id;
  }
  bool runOneDueBy(double limit) {
    if (tasks_.empty() || tasks_.begin()->first.first > limit) return false;
    const auto [due, id] = tasks_.begin()->first;
    Entry entry = std::move(tasks_.begin()->second);
    tasks_.erase(tasks_.begin());
    now_ = std::max(now_, due);
    // Re-arm before running, under the same id, so the task may cancel its own timer.
    if (entry.interval > 0) schedule(due + entry.interval, entry.task, entry.interval, id);
    entry.task();
    return true;
  }

  double now_;
  TaskId nextId_ = 1;
  // Ordered by due time, then by id (the order in which they were queued).
  std::map<std::pair<double, TaskId>, Entry> tasks_;
};

}  // namespace marbrel
