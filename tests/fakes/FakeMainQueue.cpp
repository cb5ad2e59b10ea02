#include "fakes/FakeMainQueue.h"

#include <algorithm>

namespace marbrel {

MainQueue::TaskId FakeMainQueue::asyncAfter(double seconds, Task task) {
  return schedule(now_ + std::max(0.0, seconds), std::move(task), 0);
}

MainQueue::TaskId FakeMainQueue::scheduleRepeating(double interval, Task task) {
  return schedule(now_ + interval, std::move(task), interval);
}

MainQueue::TaskId FakeMainQueue::schedule(double due, Task task, double interval, TaskId id) {
  if (id == 0) id = nextId_++;
  tasks_[{due, id}] = Entry{std::move(task), interval};
  keys_[id] = {due, id};
  return id;
}

void FakeMainQueue::cancel(TaskId id) {
  auto it = keys_.find(id);
  if (it == keys_.end()) return;
  tasks_.erase(it->second);
  keys_.erase(it);
}

bool FakeMainQueue::runOneDueBy(double limit) {
  if (tasks_.empty()) return false;
  auto it = tasks_.begin();
  if (it->first.first > limit) return false;
  const Key key = it->first;
  const TaskId id = key.second;
  Entry entry = std::move(it->second);
  tasks_.erase(it);
  keys_.erase(id);
  now_ = std::max(now_, key.first);
  if (entry.interval > 0) {
    // Re-arm before running, under the same id, so the task may cancel its own timer.
    schedule(key.first + entry.interval, entry.task, entry.interval, id);
  }
  entry.task();
  return true;
}

void FakeMainQueue::advance(double seconds) {
  const double target = now_ + seconds;
  while (runOneDueBy(target)) {
  }
  now_ = target;
}

std::size_t FakeMainQueue::runUntilIdle(std::size_t maxTasks) {
  std::size_t ran = 0;
  while (ran < maxTasks && runOneDueBy(now_)) ++ran;
  return ran;
}

}  // namespace marbrel
