#include "core/keylayout/Key.h"

#include <algorithm>

namespace marbrel {

namespace {

// Raw values in declaration order, indexed by the enumerator's value.
constexpr std::array<std::string_view, kKeyCount> kRawValues = {
    "a", "s", "d", "f", "h", "g", "z", "x", "c", "v", "b", "q", "w", "e", "r", "y", "t",
    "one", "two", "three", "four", "six", "five", "equal", "nine", "seven", "minus", "eight", "zero",
    "rightBracket", "o", "u", "leftBracket", "i", "p", "l", "j", "quote", "k", "semicolon",
    "backslash", "comma", "slash", "n", "m", "period", "grave",
    "keypadDecimal", "keypadMultiply", "keypadPlus", "keypadClear", "keypadDivide", "keypadEnter",
    "keypadMinus", "keypadEquals", "keypadZero", "keypadOne", "keypadTwo", "keypadThree",
    "keypadFour", "keypadFive", "keypadSix", "keypadSeven", "keypadEight", "keypadNine",
    "return", "tab", "space", "delete", "escape",
    "f17", "f18", "f19", "f20", "f5", "f6", "f7", "f3", "f8", "f9", "f11", "f13", "f16", "f14",
    "f10", "f12", "f15",
    "help", "home", "pageUp", "forwardDelete", "f4", "end", "f2", "pageDown", "f1",
    "leftArrow", "rightArrow", "downArrow", "upArrow",
    "yen", "underscore", "keypadComma", "eisu", "kana", "atSign", "caret", "colon", "section",
};

static_assert(static_cast<std::size_t>(Key::section) + 1 == kKeyCount,
              "the raw value table must cover every key");

constexpr std::array<Key, kKeyCount> makeAllKeys() {
  std::array<Key, kKeyCount> keys{};
  for (std::size_t index = 0; index < kKeyCount; ++index) keys[index] = static_cast<Key>(index);
  return keys;
}

constexpr std::array<Key, kKeyCount> kAllKeys = makeAllKeys();

}  // namespace

const std::array<Key, kKeyCount>& allKeys() { return kAllKeys; }

std::string_view rawValue(Key key) {
  const auto index = static_cast<std::size_t>(key);
  return index < kKeyCount ? kRawValues[index] : std::string_view{};
}

std::optional<Key> keyFromRawValue(std::string_view raw) {
  const auto found = std::find(kRawValues.begin(), kRawValues.end(), raw);
  if (found == kRawValues.end()) return std::nullopt;
  return static_cast<Key>(found - kRawValues.begin());
}

}  // namespace marbrel
