#include "shell/qt/QtMainQueue.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace marbrel {

namespace {

// A repeating timer never fires more often than this, so a zero interval cannot starve the loop.
constexpr auto kShortestInterval = std::chrono::milliseconds(1);

std::chrono::steady_clock::duration toDuration(double seconds) {
  if (!(seconds > 0)) return {};  // negative and NaN delays mean "on the next turn"
  const double capped = std::min(seconds, 100.0 * 365 * 24 * 3600);
  return std::chrono::duration_cast<std::chrono::steady_clock::duration>(
      std::chrono::duration<double>(capped));
}

}  // namespace

QtMainQueue::QtMainQueue(QObject* parent) : QObject(parent) {
  timer_.setSingleShot(true);
  timer_.setTimerType(Qt::PreciseTimer);
  connect(&timer_, &QTimer::timeout, this, [this] { runDueTasks(); });
}

QtMainQueue::~QtMainQueue() = default;

double QtMainQueue::now() const {
  const auto sinceEpoch = std::chrono::system_clock::now().time_since_epoch();
  return std::chrono::duration<double>(sinceEpoch).count();
}

MainQueue::TaskId QtMainQueue::asyncAfter(double seconds, Task task) {
  return add(toDuration(seconds), {}, std::move(task));
}

MainQueue::TaskId QtMainQueue::scheduleRepeating(double interval, Task task) {
  const auto period = std::max<Clock::duration>(toDuration(interval), kShortestInterval);
  return add(period, period, std::move(task));
}

MainQueue::TaskId QtMainQueue::add(Clock::duration delay, Clock::duration interval, Task task) {
  const TaskId id = nextId_++;
  const Key key{Clock::now() + delay, id};
  tasks_.emplace(key, Entry{std::move(task), interval});
  keys_[id] = key;
  rearm();
  return id;
}

void QtMainQueue::cancel(TaskId id) {
  auto it = keys_.find(id);
  if (it == keys_.end()) return;
  tasks_.erase(it->second);
  keys_.erase(it);
  rearm();
}

void QtMainQueue::runDueTasks() {
  // Runs what was due when this turn began; tasks queued meanwhile wait for a later turn, so a task
  // that queues itself again cannot keep the loop from handling other events.
  const Clock::time_point limit = Clock::now();
  const TaskId lastQueued = nextId_ - 1;
  for (;;) {
    auto it = tasks_.begin();
    while (it != tasks_.end() && it->first.first <= limit && it->first.second > lastQueued) ++it;
    if (it == tasks_.end() || it->first.first > limit) break;
    const Key current = it->first;
    Entry entry = std::move(it->second);
    tasks_.erase(it);
    keys_.erase(current.second);
    if (entry.interval != Clock::duration{}) {
      // Re-armed before it runs, under the same id, so the task may cancel its own timer. A timer
      // that fell behind skips the ticks it missed instead of firing them in a burst.
      Clock::time_point next = current.first + entry.interval;
      if (next <= limit) next = limit + entry.interval;
      const Key nextKey{next, current.second};
      tasks_.emplace(nextKey, Entry{entry.task, entry.interval});
      keys_[current.second] = nextKey;
    }
    entry.task();
  }
  rearm();
}

void QtMainQueue::rearm() {
  if (tasks_.empty()) {
    timer_.stop();
    return;
  }
  const auto wait = tasks_.begin()->first.first - Clock::now();
  const auto ms = std::chrono::ceil<std::chrono::milliseconds>(wait).count();
  const int interval = static_cast<int>(std::clamp<long long>(ms, 0, std::numeric_limits<int>::max()));
  timer_.start(interval);
}

}  // namespace marbrel
