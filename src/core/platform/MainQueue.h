#pragma once

#include <cstdint>
#include <functional>

namespace marbrel {

// The main thread's run loop and clock: every timer, delayed task and date in the core comes from here.
class MainQueue {
 public:
  using Task = std::function<void()>;
  using TaskId = std::uint64_t;

  virtual ~MainQueue() = default;

  // The current date and time as seconds since the Unix epoch; the dates of history entries.
  virtual double now() const = 0;

  // Runs `task` on a later turn of the main loop, `seconds` from now (0: the next turn). Never runs it
  // inside this call. Returns an id that cancel() takes.
  virtual TaskId asyncAfter(double seconds, Task task) = 0;

  // Runs `task` every `interval` seconds, first after one interval, until cancelled.
  virtual TaskId scheduleRepeating(double interval, Task task) = 0;

  // Cancels a pending task or a repeating timer. A task that is running or has run is not affected;
  // an unknown id is ignored.
  virtual void cancel(TaskId id) = 0;

  TaskId async(Task task) { return asyncAfter(0, std::move(task)); }
};

}  // namespace marbrel
