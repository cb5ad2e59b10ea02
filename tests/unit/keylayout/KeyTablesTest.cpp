#include <gtest/gtest.h>

#include <string>

#include "core/keylayout/KeyForCharacter.h"

namespace marbrel {
namespace {

TEST(KeyForCharacter, NamesTheKeyThatATextAndItsCodeStandFor) {
  struct Case { const char* text; std::uint16_t keyCode; std::optional<Key> key; };
  const Case cases[] = {
      {"Z", 16, Key::z}, {"ab", 0, std::nullopt}, {"", 0, std::nullopt}, {"\u0439", 12, std::nullopt},  // й
      // Digits are main-row keys except at their own keypad code.
      {"0", 29, Key::zero}, {"seven", 18, Key::seven}, {"0", 82, Key::keypadZero}, {"1", 82, Key::one},
      // Punctuation shared with the keypad depends on the code.
      {"=", 24, Key::equal}, {"=", 81, Key::keypadEquals}, {"-", 78, Key::keypadMinus}, {".", 47, Key::period},
      {",", 43, Key::comma}, {",", 95, Key::keypadComma}, {"*", 28, Key::keypadMultiply}, {"]", 30, Key::rightBracket},
      // Names count where the rules list them, in any case.
      {"Minus", 0, Key::minus}, {"KeypadNine", 0, Key::keypadNine}, {"pagedown", 0, Key::pageDown}, {"semicolon", 41, {}},
      // Special keys by their fixed texts.
      {"Space", 0, Key::space}, {"f12", 0, Key::f12}, {"\u21A9", 0, Key::return_}, {"?", 0, std::nullopt},
      // JIS and other symbols.
      {"\u00A5", 93, Key::yen}, {"\u304B\u306A", 104, Key::kana}, {"@", 33, Key::atSign}, {"\u00B4", 24, std::nullopt},
  };
  for (const Case& each : cases) {
    EXPECT_EQ(keyForCharacter(each.text, each.keyCode), each.key) << "'" << each.text << "' at " << each.keyCode;
  }
}

}  // namespace
}  // namespace marbrel
