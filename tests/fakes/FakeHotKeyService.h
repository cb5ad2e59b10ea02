#pragma once

#include <map>
#include <set>
#include <utility>

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
                                             HotKeyId id) override {
    attempted_.push_back(id);
    if (refused_.count({keyCode, carbonModifiers})) return std::nullopt;
    grabs_.emplace(nextRegistration_, Grab{keyCode, carbonModifiers, id});
    return nextRegistration_++;
  }
  void unregisterHotKey(Registration registration) override { grabs_.erase(registration); }
  bool installHandler(Handler handler) override {
    handler_ = std::move(handler);
    return true;
  }
  std::vector<ReservedHotKey> systemReservedHotKeys() const override { return reserved_; }

  // Test controls. Another program holds a refused combination: registering it fails.
  void refuse(std::uint32_t keyCode, std::uint32_t carbonModifiers) { refused_.insert({keyCode, carbonModifiers}); }
  void allow(std::uint32_t keyCode, std::uint32_t carbonModifiers) { refused_.erase({keyCode, carbonModifiers}); }
  void setReserved(std::vector<ReservedHotKey> reserved) { reserved_ = std::move(reserved); }

  // Presses (or releases) a combination: every live grab of it is reported to the handler. Returns
  // how many reports the handler answered as handled.
  int press(std::uint32_t keyCode, std::uint32_t carbonModifiers) { return send(keyCode, carbonModifiers, EventKind::pressed); }
  int release(std::uint32_t keyCode, std::uint32_t carbonModifiers) { return send(keyCode, carbonModifiers, EventKind::released); }

  // The live grabs, in registration order.
  std::vector<Grab> grabs() const {
    std::vector<Grab> result;
    for (const auto& [registration, grab] : grabs_) result.push_back(grab);
    return result;
  }
  // How many live grabs a combination has.
  int grabCount(std::uint32_t keyCode, std::uint32_t carbonModifiers) const { return static_cast<int>(idsOf(keyCode, carbonModifiers).size()); }
  // Every registration attempt's id, refused ones included, in order.
  const std::vector<HotKeyId>& attemptedIds() const { return attempted_; }
  bool hasHandler() const { return static_cast<bool>(handler_); }

 private:
  std::vector<HotKeyId> idsOf(std::uint32_t keyCode, std::uint32_t carbonModifiers) const {
    std::vector<HotKeyId> ids;
    for (const auto& [registration, grab] : grabs_) {
      if (grab.keyCode == keyCode && grab.carbonModifiers == carbonModifiers) ids.push_back(grab.id);
    }
    return ids;
  }
  int send(std::uint32_t keyCode, std::uint32_t carbonModifiers, EventKind kind) {
    int handled = 0;  // ids collected first: a handler may register or unregister while being called
    for (const auto& id : idsOf(keyCode, carbonModifiers)) {
      Handler handler = handler_;  // a copy: the handler may replace itself
      handled += handler && handler(Event{id, kind}) ? 1 : 0;
    }
    return handled;
  }

  std::map<Registration, Grab> grabs_;
  Registration nextRegistration_ = 1;
  std::set<std::pair<std::uint32_t, std::uint32_t>> refused_;
  std::vector<ReservedHotKey> reserved_;
  std::vector<HotKeyId> attempted_;
  Handler handler_;
};

}  // namespace marbrel
