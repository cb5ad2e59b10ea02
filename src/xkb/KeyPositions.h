#pragma once

#include <cstdint>
#include <optional>

namespace marbrel {

// Where each virtual key code (the ANSI layout's codes: V is 9) sits on a PC keyboard, as an X key
// code (the Linux evdev code plus 8). The two codes name the same physical key whatever the layout;
// modifier keys and media keys are not covered.

// The X key code at the position of `virtualKeyCode`, or nothing when no PC key stands there.
std::optional<std::uint32_t> xKeyCodeForVirtualKeyCode(std::uint16_t virtualKeyCode);

// The virtual key code at the position of `xKeyCode`, or nothing.
std::optional<std::uint16_t> virtualKeyCodeForXKeyCode(std::uint32_t xKeyCode);

}  // namespace marbrel
