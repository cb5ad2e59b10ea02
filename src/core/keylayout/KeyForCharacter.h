#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "core/keylayout/Key.h"

namespace marbrel {

// The key that a layout's text names, given the key code that produced it: "z" is `z`, "0" at the
// keypad's zero is `keypadZero`, "+" is `keypadPlus`, "F5" is `f5`. Letters compare without case.
// Nothing when no key has that text.
std::optional<Key> keyForCharacter(std::string_view text, std::uint16_t keyCode);

}  // namespace marbrel
