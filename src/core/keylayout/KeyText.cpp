#include "core/keylayout/KeyText.h"

#include "core/keylayout/FixedKeyTexts.h"

namespace marbrel {

std::optional<std::string> keyText(const KeyboardLayout& layout, const InputSource& source,
                                   std::uint16_t keyCode, std::uint32_t modifiers) {
  if (auto special = specialKeyText(keyCode)) return std::string(*special);
  const LevelModifiers level{(modifiers & kCarbonShiftMask) != 0,
                             (modifiers & kCarbonOptionMask) != 0};
  return layout.textForKeyCode(source, keyCode, level);
}

}  // namespace marbrel
