#pragma once

#include "core/platform/KeySynthesizer.h"

namespace marbrel {

class X11Connection;

// Synthetic key events through the XTest extension. A key press with modifier flags presses the
// modifier keys first (Command is the Control key) and releases them after the key's release;
// modifier keys the user still holds are released before, so the target sees only the flags asked
// for. X has no trust to ask for: always trusted.
class XTestKeySynthesizer : public KeySynthesizer {
 public:
  // `connection` is not owned and outlives this object.
  explicit XTestKeySynthesizer(X11Connection& connection);

  bool requestTrust() override { return true; }
  bool postKeyEvent(std::uint16_t keyCode, bool keyDown, std::uint64_t flags) override;
  // Key codes go through the server's keymap, the user's layout.
  bool typesInItsOwnKeymap() const override { return false; }

  // Whether the server offers the XTest extension.
  bool isAvailable() const { return available_; }

 private:
  X11Connection& connection_;
  bool available_ = false;
};

}  // namespace marbrel
