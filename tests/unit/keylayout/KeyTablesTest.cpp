#include <gtest/gtest.h>

#include <set>
#include <string>

#include "core/keylayout/FixedKeyCodes.h"
#include "core/keylayout/FixedKeyTexts.h"
#include "core/keylayout/KeyForCharacter.h"

namespace marbrel {
namespace {

struct Case {
  const char* text;
  std::uint16_t keyCode;
  std::optional<Key> key;
};

TEST(KeyForCharacter, NamesTheKeyThatATextAndItsCodeStandFor) {
  const Case cases[] = {
      {"z", 16, Key::z}, {"Z", 16, Key::z}, {"ab", 0, std::nullopt}, {"", 0, std::nullopt},
      {"\u00E4", 0, std::nullopt},    // ä
      {"\u0439", 12, std::nullopt},   // Cyrillic й
      // Digits are main-row keys except at their own keypad code.
      {"0", 29, Key::zero}, {"seven", 18, Key::seven}, {"0", 82, Key::keypadZero},
      {"8", 91, Key::keypadEight}, {"8", 90, Key::eight}, {"1", 82, Key::one},
      // Punctuation shared with the keypad depends on the code.
      {"=", 24, Key::equal}, {"=", 81, Key::keypadEquals}, {"-", 27, Key::minus},
      {"-", 78, Key::keypadMinus}, {".", 47, Key::period}, {".", 65, Key::keypadDecimal},
      {"/", 44, Key::slash}, {"/", 75, Key::keypadDivide}, {",", 43, Key::comma},
      {",", 95, Key::keypadComma}, {"*", 28, Key::keypadMultiply}, {"+", 30, Key::keypadPlus},
      {"]", 30, Key::rightBracket}, {"\\", 42, Key::backslash}, {"`", 50, Key::grave},
      // Names count where the rules list them, in any case.
      {"Minus", 0, Key::minus}, {"quote", 0, Key::quote}, {"KeypadNine", 0, Key::keypadNine},
      {"pagedown", 0, Key::pageDown}, {"semicolon", 41, std::nullopt},
      // Special keys by their fixed texts.
      {"Space", 0, Key::space}, {"f12", 0, Key::f12}, {"\u21A9", 0, Key::return_},
      {"?\u20DD", 0, Key::help}, {"?", 0, std::nullopt}, {"\r", 36, std::nullopt},
      // JIS and other symbols.
      {"\u00A5", 93, Key::yen}, {"_", 94, Key::underscore}, {"\u304B\u306A", 104, Key::kana},
      {"@", 33, Key::atSign}, {"^", 24, Key::caret}, {":", 39, Key::colon},
      {"\u00A7", 10, Key::section}, {"\u00B4", 24, std::nullopt},
  };
  for (const Case& each : cases) {
    EXPECT_EQ(keyForCharacter(each.text, each.keyCode), each.key)
        << "'" << each.text << "' at " << each.keyCode;
  }
}

TEST(Key, EveryKeyHasADistinctRawValueThatDecodesBackToIt) {
  std::set<std::string> seen;
  for (Key key : allKeys()) {
    const std::string raw(rawValue(key));
    EXPECT_TRUE(seen.insert(raw).second) << "'" << raw << "' is used twice";
    EXPECT_EQ(keyFromRawValue(raw), key) << raw;
  }
  EXPECT_EQ(rawValue(static_cast<Key>(allKeys().size())), "") << "a value past the last key names none";
  for (const char* unknown : {"", "V", "pagedown", "return_", "v "}) EXPECT_EQ(keyFromRawValue(unknown), std::nullopt);
}

// The US table both ways, and each fixed text at the key of its code.
TEST(FixedKeyCodes, CoverTheUSKeyboardBothWays) {
  int listed = 0;
  for (int code = 0; code < 0x10000; ++code) {
    const auto key = fixedKeyForKeyCode(static_cast<std::uint16_t>(code));
    if (!key) continue;
    ++listed;
    EXPECT_EQ(fixedKeyCodeForKey(*key), code) << rawValue(*key);
  }
  EXPECT_EQ(listed, 106);
  for (int code : {52, 54, 63, 66, 68, 70, 72, 74, 77, 108, 110, 112, 127}) {
    EXPECT_EQ(fixedKeyForKeyCode(static_cast<std::uint16_t>(code)), std::nullopt) << code;
  }
  for (Key key : {Key::atSign, Key::caret, Key::colon}) EXPECT_EQ(fixedKeyCodeForKey(key), std::nullopt);
  for (const SpecialKey& special : specialKeys()) {
    EXPECT_EQ(fixedKeyForKeyCode(special.keyCode), special.key) << special.keyCode;
    EXPECT_EQ(specialKeyText(special.keyCode), special.text);
  }
  EXPECT_EQ(specialKeyText(9), std::nullopt);
}

}  // namespace
}  // namespace marbrel
