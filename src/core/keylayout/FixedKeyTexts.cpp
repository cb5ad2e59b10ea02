#include "core/keylayout/FixedKeyTexts.h"

#include <algorithm>
#include <array>

namespace marbrel {

namespace {

constexpr std::array kSpecialKeys = {
    SpecialKey{36, Key::return_, "\u21A9"},
    SpecialKey{48, Key::tab, "\u21E5"},
    SpecialKey{49, Key::space, "Space"},
    SpecialKey{51, Key::delete_, "\u232B"},
    SpecialKey{53, Key::escape, "\u238B"},
    SpecialKey{64, Key::f17, "F17"},
    SpecialKey{71, Key::keypadClear, "\u2327"},
    SpecialKey{76, Key::keypadEnter, "\u2305"},
    SpecialKey{79, Key::f18, "F18"},
    SpecialKey{80, Key::f19, "F19"},
    SpecialKey{90, Key::f20, "F20"},
    SpecialKey{96, Key::f5, "F5"},
    SpecialKey{97, Key::f6, "F6"},
    SpecialKey{98, Key::f7, "F7"},
    SpecialKey{99, Key::f3, "F3"},
    SpecialKey{100, Key::f8, "F8"},
    SpecialKey{101, Key::f9, "F9"},
    SpecialKey{102, Key::eisu, "\u82F1\u6570"},
    SpecialKey{103, Key::f11, "F11"},
    SpecialKey{104, Key::kana, "\u304B\u306A"},
    SpecialKey{105, Key::f13, "F13"},
    SpecialKey{106, Key::f16, "F16"},
    SpecialKey{107, Key::f14, "F14"},
    SpecialKey{109, Key::f10, "F10"},
    SpecialKey{111, Key::f12, "F12"},
    SpecialKey{113, Key::f15, "F15"},
    SpecialKey{114, Key::help, "?\u20DD"},
    SpecialKey{115, Key::home, "\u2196"},
    SpecialKey{116, Key::pageUp, "\u21DE"},
    SpecialKey{117, Key::forwardDelete, "\u2326"},
    SpecialKey{118, Key::f4, "F4"},
    SpecialKey{119, Key::end, "\u2198"},
    SpecialKey{120, Key::f2, "F2"},
    SpecialKey{121, Key::pageDown, "\u21DF"},
    SpecialKey{122, Key::f1, "F1"},
    SpecialKey{123, Key::leftArrow, "\u2190"},
    SpecialKey{124, Key::rightArrow, "\u2192"},
    SpecialKey{125, Key::downArrow, "\u2193"},
    SpecialKey{126, Key::upArrow, "\u2191"},
};

}  // namespace

std::span<const SpecialKey> specialKeys() { return kSpecialKeys; }

std::optional<std::string_view> specialKeyText(std::uint16_t keyCode) {
  const auto found = std::lower_bound(
      kSpecialKeys.begin(), kSpecialKeys.end(), keyCode,
      [](const SpecialKey& special, std::uint16_t code) { return special.keyCode < code; });
  if (found == kSpecialKeys.end() || found->keyCode != keyCode) return std::nullopt;
  return found->text;
}

}  // namespace marbrel
