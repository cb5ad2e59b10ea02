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
  EXPECT_EQ(xKeyCodeForVirtualKeyCode(114), 118u); // help at Insert
  EXPECT_EQ(xKeyCodeForVirtualKeyCode(90), 198u);  // F20
}

TEST(KeyPositions, EveryKeyOfTheUSTableHasItsOwnPositionAndBackAgain) {
  std::set<std::uint32_t> xCodes;
  for (int code = 0; code < 256; ++code) {
    const auto virtualCode = static_cast<std::uint16_t>(code);
    const auto xCode = xKeyCodeForVirtualKeyCode(virtualCode);
    EXPECT_EQ(xCode.has_value(), fixedKeyForKeyCode(virtualCode).has_value()) << code;
    if (!xCode) continue;
    EXPECT_TRUE(*xCode >= 9 && *xCode <= 255) << code;  // evdev 0 is no key
    EXPECT_TRUE(xCodes.insert(*xCode).second) << "two codes share X key " << *xCode;
    EXPECT_EQ(virtualKeyCodeForXKeyCode(*xCode), virtualCode);
  }
  EXPECT_EQ(xCodes.size(), 106u);
  EXPECT_EQ(virtualKeyCodeForXKeyCode(50), std::nullopt);  // left Shift
}

}  // namespace
}  // namespace marbrel
