#pragma once

#include <cstdint>
#include <ostream>
#include <vector>

#include "core/platform/KeySynthesizer.h"

namespace marbrel {

// Records the key events the program posts; it is always trusted.
class FakeKeySynthesizer : public KeySynthesizer {
 public:
  struct Event {
    std::uint16_t keyCode;
    bool keyDown;
    std::uint64_t flags;
    bool operator==(const Event&) const = default;
    friend std::ostream& operator<<(std::ostream& out, const Event& e) {
      return out << "{key " << e.keyCode << (e.keyDown ? " down" : " up") << ", flags 0x" << std::hex << e.flags
                 << std::dec << "}";
    }
  };

  bool requestTrust() override { return true; }
  bool postKeyEvent(std::uint16_t keyCode, bool keyDown, std::uint64_t flags) override {
    events.push_back({keyCode, keyDown, flags});
    return true;
  }

  bool typesInItsOwnKeymap() const override { return ownKeymap; }

  bool ownKeymap = false;
  std::vector<Event> events;
};

}  // namespace marbrel
