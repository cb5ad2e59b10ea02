#pragma once

#include <cstdint>
#include <vector>

#include "core/platform/KeySynthesizer.h"

namespace marbrel {

// Records the key events the program posts, and whether it asked for trust.
class FakeKeySynthesizer : public KeySynthesizer {
 public:
  struct Event {
    std::uint16_t keyCode;
    bool keyDown;
    std::uint64_t flags;
    bool operator==(const Event&) const = default;
  };

  bool requestTrust() override {
    ++trustRequests;
    return trusted;
  }
  bool postKeyEvent(std::uint16_t keyCode, bool keyDown, std::uint64_t flags) override {
    events.push_back({keyCode, keyDown, flags});
    return true;
  }

  bool trusted = true;
  int trustRequests = 0;
  std::vector<Event> events;
};

}  // namespace marbrel
