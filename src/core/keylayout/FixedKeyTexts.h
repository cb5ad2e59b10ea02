#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "core/keylayout/Key.h"

namespace marbrel {

// Keys whose text is fixed whatever the layout (Return, Tab, function keys, arrows...): their text
// is never asked of the layout, and a layout text equal to one of them names that key.
struct SpecialKey {
  std::uint16_t keyCode;
  Key key;
  std::string_view text;  // UTF-8
};

// Every special key, by ascending key code.
std::span<const SpecialKey> specialKeys();

// The fixed text of `keyCode` when it is a special key, or nothing.
std::optional<std::string_view> specialKeyText(std::uint16_t keyCode);

}  // namespace marbrel
