#pragma once

#include <cstdint>
#include <vector>

struct _XDisplay;

namespace marbrel {

// The X modifier bits and keys that stand for the program's four modifiers under the display's
// current modifier mapping: Command is Control, Option is Alt, Control is Super, Shift is Shift.
struct X11Modifiers {
  std::uint16_t control = 0;
  std::uint16_t shift = 0;
  std::uint16_t alt = 0;
  std::uint16_t super = 0;
  std::uint16_t numLock = 0;
  std::uint16_t capsLock = 0;
  // Every key code the mapping assigns to any modifier.
  std::vector<std::uint8_t> modifierKeyCodes;

  // Reads the display's modifier mapping.
  static X11Modifiers read(_XDisplay* display);

  // The X modifier mask for a Carbon modifier mask (Command 0x100, Shift 0x200, Option 0x800,
  // Control 0x1000).
  std::uint16_t maskForCarbon(std::uint32_t carbonModifiers) const;
};

}  // namespace marbrel
