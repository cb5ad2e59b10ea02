#include "fakes/FakeHotKeyService.h"

namespace marbrel {

std::optional<HotKeyService::Registration> FakeHotKeyService::registerHotKey(std::uint32_t keyCode,
                                                                             std::uint32_t carbonModifiers,
                                                                             HotKeyId id) {
  attempted_.push_back(id);
  if (refused_.count({keyCode, carbonModifiers})) return std::nullopt;
  const Registration registration = nextRegistration_++;
  grabs_.emplace(registration, Grab{keyCode, carbonModifiers, id});
  return registration;
}

void FakeHotKeyService::unregisterHotKey(Registration registration) { grabs_.erase(registration); }

bool FakeHotKeyService::installHandler(Handler handler) {
  handler_ = std::move(handler);
  return true;
}

int FakeHotKeyService::press(std::uint32_t keyCode, std::uint32_t carbonModifiers) {
  return send(keyCode, carbonModifiers, EventKind::pressed);
}

int FakeHotKeyService::release(std::uint32_t keyCode, std::uint32_t carbonModifiers) {
  return send(keyCode, carbonModifiers, EventKind::released);
}

int FakeHotKeyService::send(std::uint32_t keyCode, std::uint32_t carbonModifiers, EventKind kind) {
  // Collect first: a handler may register or unregister while being called.
  std::vector<HotKeyId> ids;
  for (const auto& [registration, grab] : grabs_) {
    if (grab.keyCode == keyCode && grab.carbonModifiers == carbonModifiers) ids.push_back(grab.id);
  }
  int handled = 0;
  for (const auto& id : ids) {
    if (deliver(Event{id, kind})) ++handled;
  }
  return handled;
}

bool FakeHotKeyService::deliver(const Event& event) {
  if (!handler_) return false;
  Handler handler = handler_;  // a copy: the handler may replace itself
  return handler(event);
}

std::vector<FakeHotKeyService::Grab> FakeHotKeyService::grabs() const {
  std::vector<Grab> result;
  for (const auto& [registration, grab] : grabs_) result.push_back(grab);
  return result;
}

int FakeHotKeyService::grabCount(std::uint32_t keyCode, std::uint32_t carbonModifiers) const {
  int count = 0;
  for (const auto& [registration, grab] : grabs_) {
    if (grab.keyCode == keyCode && grab.carbonModifiers == carbonModifiers) ++count;
  }
  return count;
}

}  // namespace marbrel
