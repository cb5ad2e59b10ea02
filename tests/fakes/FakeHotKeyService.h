#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <utility>
#include <vector>

#include "core/platform/HotKeyService.h"

namespace marbrel {

// A desktop's hot keys in memory: records registrations, lets tests press and release combinations,
// refuses the combinations a test says another program holds, and lists reserved ones.
class FakeHotKeyService : public HotKeyService {
 public:
  struct Grab {
    std::uint32_t keyCode = 0;
    std::uint32_t carbonModifiers = 0;
    HotKeyId id;
  };

  std::optional<Registration> registerHotKey(std::uint32_t keyCode, std::uint32_t carbonModifiers,
                                             HotKeyId id) override;
  void unregisterHotKey(Registration registration) override;
  bool installHandler(Handler handler) override;
  std::vector<ReservedHotKey> systemReservedHotKeys() const override { return reserved_; }

  // Test controls.
  // Another program holds this combination: registering it is refused.
  void refuse(std::uint32_t keyCode, std::uint32_t carbonModifiers) { refused_.insert({keyCode, carbonModifiers}); }
  void allow(std::uint32_t keyCode, std::uint32_t carbonModifiers) { refused_.erase({keyCode, carbonModifiers}); }
  void setReserved(std::vector<ReservedHotKey> reserved) { reserved_ = std::move(reserved); }

  // Presses (or releases) a combination: every live grab of it is reported to the handler. Returns
  // how many reports the handler answered as handled.
  int press(std::uint32_t keyCode, std::uint32_t carbonModifiers);
  int release(std::uint32_t keyCode, std::uint32_t carbonModifiers);
  // Sends one raw event, as a foreign or stale registration might produce; false without a handler.
  bool deliver(const Event& event);

  // The live grabs, in registration order.
  std::vector<Grab> grabs() const;
  // How many live grabs a combination has.
  int grabCount(std::uint32_t keyCode, std::uint32_t carbonModifiers) const;
  // Every registration attempt's id, refused ones included, in order.
  const std::vector<HotKeyId>& attemptedIds() const { return attempted_; }
  bool hasHandler() const { return static_cast<bool>(handler_); }

 private:
  int send(std::uint32_t keyCode, std::uint32_t carbonModifiers, EventKind kind);

  std::map<Registration, Grab> grabs_;
  Registration nextRegistration_ = 1;
  std::set<std::pair<std::uint32_t, std::uint32_t>> refused_;
  std::vector<ReservedHotKey> reserved_;
  std::vector<HotKeyId> attempted_;
  Handler handler_;
};

inline std::optional<HotKeyService::Registration> FakeHotKeyService::registerHotKey(std::uint32_t keyCode,
                                                                             std::uint32_t carbonModifiers,
                                                                             HotKeyId id) {
  attempted_.push_back(id);
  if (refused_.count({keyCode, carbonModifiers})) return std::nullopt;
  const Registration registration = nextRegistration_++;
  grabs_.emplace(registration, Grab{keyCode, carbonModifiers, id});
  return registration;
}

inline void FakeHotKeyService::unregisterHotKey(Registration registration) { grabs_.erase(registration); }

inline bool FakeHotKeyService::installHandler(Handler handler) {
  handler_ = std::move(handler);
  return true;
}

inline int FakeHotKeyService::press(std::uint32_t keyCode, std::uint32_t carbonModifiers) {
  return send(keyCode, carbonModifiers, EventKind::pressed);
}

inline int FakeHotKeyService::release(std::uint32_t keyCode, std::uint32_t carbonModifiers) {
  return send(keyCode, carbonModifiers, EventKind::released);
}

inline int FakeHotKeyService::send(std::uint32_t keyCode, std::uint32_t carbonModifiers, EventKind kind) {
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

inline bool FakeHotKeyService::deliver(const Event& event) {
  if (!handler_) return false;
  Handler handler = handler_;  // a copy: the handler may replace itself
  return handler(event);
}

inline std::vector<FakeHotKeyService::Grab> FakeHotKeyService::grabs() const {
  std::vector<Grab> result;
  for (const auto& [registration, grab] : grabs_) result.push_back(grab);
  return result;
}

inline int FakeHotKeyService::grabCount(std::uint32_t keyCode, std::uint32_t carbonModifiers) const {
  int count = 0;
  for (const auto& [registration, grab] : grabs_) {
    if (grab.keyCode == keyCode && grab.carbonModifiers == carbonModifiers) ++count;
  }
  return count;
}

}  // namespace marbrel
