#include <gtest/gtest.h>

#include <set>

#include "core/keylayout/FixedKeyCodes.h"
#include "xkb/KeyPositions.h"

namespace marbrel {
namespace {

TEST(KeyPositions, KnownKeysSitWhereAPCKeyboardHasThem) {
  EXPECT_EQ(xKeyCodeForVirtualKeyCode(9), 55u);    // V: evdev 47
  EXPECT_EQ(xKeyCodeForVirtualKeyCode(0), 38u);    // A: evdev 30
  EXPECT_EQ(xKeyCodeForVirtualKeyCode(10), 94u);   // the ISO key beside left Shift
  EXPECT_EQ(xKeyCodeForVirtualKeyCode(50), 49u);   // grave, left of 1
  EXPECT_EQ(xKeyCodeForVirtualKeyCode(36), 36u);   // Return
  EXPECT_EQ(xKeyCodeForVirtualKeyCode(51), 22u);   // Backspace
  EXPECT_EQ(xKeyCodeForVirtualKeyCode(117), 119u); // forward delete
  EXPECT_EQ(xKeyCodeForVirtualKeyCode(114), 118u); // help at Insert
  EXPECT_EQ(xKeyCodeForVirtualKeyCode(82), 90u);   // keypad 0
  EXPECT_EQ(xKeyCodeForVirtualKeyCode(122), 67u);  // F1
  EXPECT_EQ(xKeyCodeForVirtualKeyCode(90), 198u);  // F20
  EXPECT_EQ(xKeyCodeForVirtualKeyCode(126), 111u); // up arrow
  EXPECT_EQ(xKeyCodeForVirtualKeyCode(93), 132u);  // JIS yen
}

TEST(KeyPositions, EveryKeyOfTheUSTableHasOnePositionAndBackAgain) {
  std::set<std::uint32_t> xCodes;
  int mapped = 0;
  for (int code = 0; code < 256; ++code) {
    const auto virtualCode = static_cast<std::uint16_t>(code);
    const auto xCode = xKeyCodeForVirtualKeyCode(virtualCode);
    EXPECT_EQ(xCode.has_value(), fixedKeyForKeyCode(virtualCode).has_value()) << code;
    if (!xCode) continue;
    ++mapped;
    EXPECT_GE(*xCode, 9u) << code;  // evdev 0 is no key
    EXPECT_LE(*xCode, 255u) << code;
    EXPECT_TRUE(xCodes.insert(*xCode).second) << "two codes share X key " << *xCode;
    EXPECT_EQ(virtualKeyCodeForXKeyCode(*xCode), virtualCode);
  }
  EXPECT_EQ(mapped, 106);
  EXPECT_EQ(virtualKeyCodeForXKeyCode(8), std::nullopt);
  EXPECT_EQ(virtualKeyCodeForXKeyCode(50), std::nullopt);  // left Shift
  EXPECT_EQ(virtualKeyCodeForXKeyCode(100000), std::nullopt);
}

}  // namespace
}  // namespace marbrel
