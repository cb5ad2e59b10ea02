#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace marbrel {

// The keymap of the program's own virtual keyboard in a Wayland session: a keyboard of the few keys
// paste combinations use, on which the key at the V position types "v" whatever layout the user has
// (so Control with it is the paste shortcut in every program, Control and Shift with it a terminal's)
// and Insert is Insert. Keys are Linux evdev codes, as Wayland sends them.
namespace paste_keymap {

// The keymap in the XKB text format (XKB_KEYMAP_FORMAT_TEXT_V1).
std::string text();

// The evdev code of the key at `xKeyCode`'s position when the keymap has it (V and Insert).
std::optional<std::uint32_t> evdevKeyForXKeyCode(std::uint32_t xKeyCode);

// The keymap's modifier mask for Cocoa modifier flags (Command is Control, Option is Alt,
// Control is Super, Shift is Shift).
std::uint32_t modifierMask(std::uint64_t flags);

}  // namespace paste_keymap

}  // namespace marbrel
