#include "fakes/FakeMainQueue.h"

#include <algorithm>

namespace marbrel {

MainQueue::TaskId FakeMainQueue::asyncAfter(double seconds, Task task) {
  const TaskId id = nextId_++;
  const Key key{now_ + std::max(0.0, seconds), id};
  tasks_[key] = Entry{std::move(task), 0};
  keys_[id] = key;
  return id;
}

MainQueue::TaskId FakeMainQueue::scheduleRepeating(double interval, Task task) {
  const TaskId id = nextId_++;
  const Key key{now_ + interval, id};
  tasks_[key] = Entry{std::move(task), interval};
  keys_[id] = key;
  return id;
}

void FakeMainQueue::cancel(TaskId id) {
  auto it = keys_.find(id);
  if (it == keys_.end()) return;
  tasks_.erase(it->second);
  keys_.erase(it);
}

bool FakeMainQueue::nextDue(double& when) const {
  if (tasks_.empty()) return false;
  when = tasks_.begin()->first.first;
  return true;
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
    const Key next{key.first + entry.interval, id};
    tasks_[next] = Entry{entry.task, entry.interval};
    keys_[id] = next;
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
