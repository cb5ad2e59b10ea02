#include "core/platform/NotificationCenter.h"

#include <vector>

namespace marbrel {

NotificationCenter::ObserverId NotificationCenter::addObserver(std::string name, Observer observer) {
  const ObserverId id = nextId_++;
  observers_.emplace(id, Observation{std::move(name), std::move(observer)});
  return id;
}

void NotificationCenter::removeObserver(ObserverId id) { observers_.erase(id); }

void NotificationCenter::post(const Notification& notification) {
  // Observers may add or remove observers (themselves included) while being called: walk a list of
  // the ids taken now and look each one up again before calling it.
  std::vector<ObserverId> ids;
  for (const auto& [id, observation] : observers_) {
    if (observation.name == notification.name) ids.push_back(id);
  }
  for (ObserverId id : ids) {
    auto it = observers_.find(id);
    if (it == observers_.end()) continue;
    Observer observer = it->second.observer;  // a copy: the observer may remove itself
    observer(notification);
  }
}

}  // namespace marbrel
