#pragma once

#include <any>
#include <cstdint>
#include <functional>
#include <map>
#include <string>

namespace marbrel {

// One announcement: its name and whatever the poster attached under named keys.
struct Notification {
  std::string name;
  std::map<std::string, std::any> userInfo;
};

// The process's own notification centre: objects announce changes by name and others listen,
// without knowing each other. Main thread only.
class NotificationCenter {
 public:
  using Observer = std::function<void(const Notification&)>;
  using ObserverId = std::uint64_t;

  // Calls `observer` for every notification posted under `name` from now on, in the order the
  // observers were added. Returns an id that removeObserver() takes.
  ObserverId addObserver(std::string name, Observer observer);
  // Stops an observer; takes effect at once, even during a post. An unknown id is ignored.
  void removeObserver(ObserverId id);

  // Delivers the notification to the observers of its name, synchronously. Observers added while it
  // is being delivered do not receive it.
  void post(const Notification& notification);

 private:
  struct Observation {
    std::string name;
    Observer observer;
  };
  std::map<ObserverId, Observation> observers_;
  ObserverId nextId_ = 1;
};

}  // namespace marbrel
