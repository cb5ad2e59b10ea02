#include <gtest/gtest.h>

#include <set>
#include <string>

#include "core/keylayout/FixedKeyCodes.h"
#include "core/keylayout/Key.h"
#include "core/keylayout/SpecialKeys.h"

namespace marbrel {
namespace {

TEST(Key, EveryKeyHasADistinctRawValueThatDecodesBackToIt) {
  std::set<std::string> seen;
  for (Key key : allKeys()) {
    const std::string raw(rawValue(key));
    ASSERT_FALSE(raw.empty());
    EXPECT_TRUE(seen.insert(raw).second) << raw << " is used twice";
    EXPECT_EQ(keyFromRawValue(raw), key) << raw;
  }
  EXPECT_EQ(seen.size(), 109u);
}

TEST(Key, RawValuesAreTheNamesInDeclarationOrder) {
  EXPECT_EQ(rawValue(allKeys().front()), "a");
  EXPECT_EQ(rawValue(allKeys().back()), "section");
  EXPECT_EQ(rawValue(Key::return_), "return");
  EXPECT_EQ(rawValue(Key::delete_), "delete");
  EXPECT_EQ(rawValue(Key::keypadZero), "keypadZero");
  EXPECT_EQ(rawValue(Key::pageDown), "pageDown");
  EXPECT_EQ(static_cast<int>(Key::one), 17);
  EXPECT_EQ(static_cast<int>(Key::keypadDecimal), 47);
  EXPECT_EQ(static_cast<int>(Key::f17), 70);
}

TEST(Key, DecodingRejectsUnknownAndWronglyCasedNames) {
  EXPECT_EQ(keyFromRawValue(""), std::nullopt);
  EXPECT_EQ(keyFromRawValue("V"), std::nullopt);
  EXPECT_EQ(keyFromRawValue("pagedown"), std::nullopt);
  EXPECT_EQ(keyFromRawValue("return_"), std::nullopt);
  EXPECT_EQ(keyFromRawValue("v "), std::nullopt);
}

TEST(FixedKeyCodes, GivesTheUSKeyAtEachListedCodeAndNothingElsewhere) {
  EXPECT_EQ(fixedKeyForKeyCode(0), Key::a);
  EXPECT_EQ(fixedKeyForKeyCode(9), Key::v);
  EXPECT_EQ(fixedKeyForKeyCode(10), Key::section);
  EXPECT_EQ(fixedKeyForKeyCode(16), Key::y);
  EXPECT_EQ(fixedKeyForKeyCode(36), Key::return_);
  EXPECT_EQ(fixedKeyForKeyCode(82), Key::keypadZero);
  EXPECT_EQ(fixedKeyForKeyCode(126), Key::upArrow);
  int listed = 0;
  for (int code = 0; code < 0x10000; ++code) {
    if (fixedKeyForKeyCode(static_cast<std::uint16_t>(code))) ++listed;
  }
  EXPECT_EQ(listed, 106);
  for (int code : {52, 54, 60, 63, 66, 68, 70, 72, 73, 74, 77, 108, 110, 112, 127, 128, 200, 65535}) {
    EXPECT_EQ(fixedKeyForKeyCode(static_cast<std::uint16_t>(code)), std::nullopt) << code;
  }
}

TEST(FixedKeyCodes, ReverseLookupFindsEveryListedKeyAndNoneForTheJISSymbols) {
  for (Key key : allKeys()) {
    const auto code = fixedKeyCodeForKey(key);
    if (key == Key::atSign || key == Key::caret || key == Key::colon) {
      EXPECT_EQ(code, std::nullopt) << rawValue(key);
    } else {
      ASSERT_TRUE(code.has_value()) << rawValue(key);
      EXPECT_EQ(fixedKeyForKeyCode(*code), key);
    }
  }
}

TEST(SpecialKeys, FixedTextsAreTheKeyCapSymbols) {
  EXPECT_EQ(specialKeys().size(), 39u);
  EXPECT_EQ(specialKeyText(36), "\u21A9");
  EXPECT_EQ(specialKeyText(49), "Space");
  EXPECT_EQ(specialKeyText(102), "\u82F1\u6570");
  EXPECT_EQ(specialKeyText(114), "?\u20DD");
  EXPECT_EQ(specialKeyText(126), "\u2191");
  EXPECT_EQ(specialKeyText(9), std::nullopt);
  EXPECT_EQ(specialKeyText(50), std::nullopt);
  EXPECT_EQ(specialKeyText(127), std::nullopt);
  for (const SpecialKey& special : specialKeys()) {
    EXPECT_EQ(fixedKeyForKeyCode(special.keyCode), special.key) << special.keyCode;
  }
}

}  // namespace
}  // namespace marbrel
