#pragma once

#include <cstdint>

namespace marbrel {

// Posts synthetic key events to the program in front, as if the user had typed them.
class KeySynthesizer {
 public:
  virtual ~KeySynthesizer() = default;

  // Asks the system to trust this program with synthetic input, prompting the user when it does not
  // yet. Returns whether it is trusted now; events are posted either way.
  virtual bool requestTrust() = 0;

  // Posts one key event: `keyCode` is a virtual key code of the ANSI layout (V is 9), `flags` the
  // Cocoa modifier flags the event carries (Command is 0x100000). Returns false when the event could
  // not be created or posted.
  virtual bool postKeyEvent(std::uint16_t keyCode, bool keyDown, std::uint64_t flags) = 0;

  // Whether a key code reaches the program in front as the key of the ANSI layout at that code,
  // whatever layout the user has (a keymap of the synthesizer's own, or keys sent as keysyms): then
  // "v" is typed by posting the V position. Otherwise the program reads the key through the user's
  // layout, and "v" is typed by the key that types it there.
  virtual bool typesInItsOwnKeymap() const = 0;
};

}  // namespace marbrel
