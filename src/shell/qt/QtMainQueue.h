#pragma once

#include <chrono>
#include <map>
#include <unordered_map>
#include <utility>

#include <QObject>
#include <QTimer>

#include "core/platform/MainQueue.h"

namespace marbrel {

// The main queue on the Qt event loop: delayed tasks and repeating timers run on the GUI thread in
// the order they fall due (tasks due together run in the order they were queued); now() is the wall
// clock.
class QtMainQueue : public QObject, public MainQueue {
  Q_OBJECT

 public:
  explicit QtMainQueue(QObject* parent = nullptr);
  ~QtMainQueue() override;

  double now() const override;
  TaskId asyncAfter(double seconds, Task task) override;
  TaskId scheduleRepeating(double interval, Task task) override;
  void cancel(TaskId id) override;

  // How many tasks and timers are waiting.
  std::size_t pendingCount() const { return tasks_.size(); }

 private:
  using Clock = std::chrono::steady_clock;
  using Key = std::pair<Clock::time_point, TaskId>;
  struct Entry {
    Task task;
    Clock::duration interval{};  // non-zero for repeating timers
  };

  TaskId add(Clock::duration delay, Clock::duration interval, Task task);
  void runDueTasks();
  void rearm();

  QTimer timer_;
  TaskId nextId_ = 1;
  std::map<Key, Entry> tasks_;
  std::unordered_map<TaskId, Key> keys_;
};

}  // namespace marbrel
