#include <gtest/gtest.h>

#include <set>
#include <string>

#include "core/keylayout/FixedKeyCodes.h"
#include "core/keylayout/Key.h"
#include "core/keylayout/FixedKeyTexts.h"

namespace marbrel {
namespace {

TEST(Key, EveryKeyHasADistinctRawValueThatDecodesBackToIt) {
  std::set<std::string> seen;
  for (Key key : allKeys()) {
    const std::string raw(rawValue(key));
    EXPECT_TRUE(seen.insert(raw).second) << "'" << raw << "' is used twice";
    EXPECT_EQ(keyFromRawValue(raw), key) << raw;
  }
  EXPECT_EQ(seen.size(), 109u);
  EXPECT_EQ(rawValue(Key::return_), "return");
  EXPECT_EQ(rawValue(Key::delete_), "delete");
  EXPECT_EQ(static_cast<int>(Key::keypadDecimal), 47);  // declaration order is kept
  EXPECT_EQ(rawValue(static_cast<Key>(109)), "") << "a value past the last key names none";
  for (const char* unknown : {"", "V", "pagedown", "return_", "v "}) {
    EXPECT_EQ(keyFromRawValue(unknown), std::nullopt) << unknown;
  }
}

TEST(FixedKeyCodes, CoverTheUSKeyboardBothWays) {
  int listed = 0;
  for (int code = 0; code < 0x10000; ++code) {
    const auto key = fixedKeyForKeyCode(static_cast<std::uint16_t>(code));
    if (!key) continue;
    ++listed;
    EXPECT_EQ(fixedKeyCodeForKey(*key), code) << rawValue(*key);
  }
  EXPECT_EQ(listed, 106);
  EXPECT_EQ(fixedKeyForKeyCode(16), Key::y);
  EXPECT_EQ(fixedKeyForKeyCode(10), Key::section);
  for (int code : {52, 54, 63, 66, 68, 70, 72, 74, 77, 108, 110, 112, 127}) {
    EXPECT_EQ(fixedKeyForKeyCode(static_cast<std::uint16_t>(code)), std::nullopt) << code;
  }
  for (Key key : {Key::atSign, Key::caret, Key::colon}) {
    EXPECT_EQ(fixedKeyCodeForKey(key), std::nullopt) << rawValue(key);
  }
}

TEST(SpecialKeys, EachFixedTextBelongsToTheKeyAtItsCode) {
  EXPECT_EQ(specialKeys().size(), 39u);
  for (const SpecialKey& special : specialKeys()) {
    EXPECT_EQ(fixedKeyForKeyCode(special.keyCode), special.key) << special.keyCode;
    EXPECT_EQ(specialKeyText(special.keyCode), special.text);
  }
  EXPECT_EQ(specialKeyText(114), "?\u20DD");
  EXPECT_EQ(specialKeyText(9), std::nullopt);
}

}  // namespace
}  // namespace marbrel
