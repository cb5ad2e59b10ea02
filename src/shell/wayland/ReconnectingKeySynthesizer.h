#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>

#include "core/platform/KeySynthesizer.h"
#include "shell/wayland/WaylandKeySynthesizer.h"

namespace marbrel {

class WaylandConnection;

// Wayland synthetic keys on a connection of their own (a refused virtual keyboard ends it with a
// protocol error), made again at the next key when it was lost after keys worked on it.
class ReconnectingKeySynthesizer : public KeySynthesizer {
 public:
  // As WaylandKeySynthesizer's: `explainUnavailable` is called once, the first time trust is asked
  // for while no method exists; `reason` is what KWin shows when it asks the user.
  ReconnectingKeySynthesizer(std::function<void()> explainUnavailable, std::string reason);
  ~ReconnectingKeySynthesizer() override;

  bool requestTrust() override;
  bool postKeyEvent(std::uint16_t keyCode, bool keyDown, std::uint64_t flags) override;
  // As the synthesizer's on the connection; while it is lost, as the last one that sent keys (the
  // one made again at the next key is most likely the same kind).
  bool typesInItsOwnKeymap() const override;

  WaylandKeySynthesizer::Method method() const;
  const char* methodName() const;

 private:
  void connect();
  // Makes the connection again when it was lost after keys worked on it and the pause has passed.
  void reconnectIfLost();

  std::function<void()> explainUnavailable_;
  std::string reason_;
  std::unique_ptr<WaylandConnection> connection_;
  std::unique_ptr<WaylandKeySynthesizer> keys_;
  std::chrono::steady_clock::time_point connectedAt_;
  bool worked_ = false;    // a connection had a way to send keys
  bool saidLost_ = false;  // the loss was said on standard error
  bool ownKeymap_ = false; // the last synthesizer that sent keys typed through a keymap of its own
};

}  // namespace marbrel
