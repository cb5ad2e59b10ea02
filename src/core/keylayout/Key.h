#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace marbrel {

// A key of the keyboard named independently of the layout, as the search header and the shortcut
// recorder compare it. Each key has a raw string value equal to its name; `return` and `delete` are
// spelled `return_` and `delete_` in C++ but their raw values are "return" and "delete".
enum class Key : std::uint8_t {
  a, s, d, f, h, g, z, x, c, v, b, q, w, e, r, y, t,
  one, two, three, four, six, five, equal, nine, seven, minus, eight, zero,
  rightBracket, o, u, leftBracket, i, p, l, j, quote, k, semicolon, backslash, comma, slash, n, m,
  period, grave,
  keypadDecimal, keypadMultiply, keypadPlus, keypadClear, keypadDivide, keypadEnter, keypadMinus,
  keypadEquals, keypadZero, keypadOne, keypadTwo, keypadThree, keypadFour, keypadFive, keypadSix,
  keypadSeven, keypadEight, keypadNine,
  return_, tab, space, delete_, escape,
  f17, f18, f19, f20, f5, f6, f7, f3, f8, f9, f11, f13, f16, f14, f10, f12, f15,
  help, home, pageUp, forwardDelete, f4, end, f2, pageDown, f1,
  leftArrow, rightArrow, downArrow, upArrow,
  yen, underscore, keypadComma, eisu, kana, atSign, caret, colon, section,
};

// How many keys there are; every Key lies in [0, kKeyCount).
inline constexpr std::size_t kKeyCount = 109;

// Every key in declaration order.
const std::array<Key, kKeyCount>& allKeys();

// The raw value of a key: its name ("v", "keypadZero", "return").
std::string_view rawValue(Key key);

// The key whose raw value is exactly `raw` (case matters), or nothing.
std::optional<Key> keyFromRawValue(std::string_view raw);

}  // namespace marbrel
