#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "core/platform/KeyboardLayout.h"

namespace marbrel {

// Carbon modifier masks that choose the level of a key's text; other modifiers are ignored.
inline constexpr std::uint32_t kCarbonShiftMask = 0x200;
inline constexpr std::uint32_t kCarbonOptionMask = 0x800;

// The text of `keyCode` under `source` with the Carbon `modifiers` held: the fixed text of a special
// key (Return, F5, arrows...), otherwise what the layout produces. Nothing when the layout cannot
// say; possibly empty.
std::optional<std::string> keyText(const KeyboardLayout& layout, const InputSource& source,
                                   std::uint16_t keyCode, std::uint32_t modifiers);

}  // namespace marbrel
