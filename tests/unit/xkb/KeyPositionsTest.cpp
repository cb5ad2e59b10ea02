#include <gtest/gtest.h>

#include <xkbcommon/xkbcommon.h>

#include <memory>
#include <set>

#include "core/keylayout/FixedKeyCodes.h"
#include "xkb/KeyPositions.h"
#include "xkb/PasteKeymap.h"

namespace marbrel {
namespace {

TEST(KeyPositions, EveryKeyOfTheUSTableHasItsOwnPositionAndBackAgain) {
  std::set<std::uint32_t> xCodes;
  for (int code = 0; code < 256; ++code) {
    const auto xCode = xKeyCodeForVirtualKeyCode(static_cast<std::uint16_t>(code));
    EXPECT_EQ(xCode.has_value(), fixedKeyForKeyCode(static_cast<std::uint16_t>(code)).has_value()) << code;
    if (!xCode) continue;
    EXPECT_TRUE(*xCode >= 9 && *xCode <= 255 && xCodes.insert(*xCode).second) << code;  // evdev 0 is no key
    EXPECT_EQ(virtualKeyCodeForXKeyCode(*xCode), code);
  }
}

// The virtual keyboard's keymap, read back by xkbcommon as every Wayland program reads it: the
// paste keystroke (key code 9 with Command) must come out as Control+v, a terminal's as Control+Shift+V
// (Shift taken by the letter's level, as a real keyboard's), and Insert (code 114) as Insert.
TEST(PasteKeymap, TheKeyAtTheVPositionTypesVWithTheModifiersTheFlagsAskFor) {
  std::unique_ptr<xkb_context, decltype(&xkb_context_unref)> context(xkb_context_new(XKB_CONTEXT_NO_DEFAULT_INCLUDES),
                                                                     xkb_context_unref);
  const std::string text = paste_keymap::text();
  std::unique_ptr<xkb_keymap, decltype(&xkb_keymap_unref)> keymap(
      xkb_keymap_new_from_string(context.get(), text.c_str(), XKB_KEYMAP_FORMAT_TEXT_V1, XKB_KEYMAP_COMPILE_NO_FLAGS),
      xkb_keymap_unref);
  ASSERT_TRUE(keymap) << "the keymap compiles without any system file";
  std::unique_ptr<xkb_state, decltype(&xkb_state_unref)> state(xkb_state_new(keymap.get()), xkb_state_unref);

  const auto evdev = paste_keymap::evdevKeyForXKeyCode(*xKeyCodeForVirtualKeyCode(9));
  ASSERT_EQ(evdev, 47u);
  EXPECT_EQ(paste_keymap::evdevKeyForXKeyCode(38), std::nullopt) << "A is not on this keyboard";

  // Command is Control, Shift is Shift, Option is Alt, Control is Super.
  for (const auto& [flags, modifier] : {std::pair<std::uint64_t, const char*>{0x100000, XKB_MOD_NAME_CTRL},
                                        {0x20000, XKB_MOD_NAME_SHIFT}, {0x80000, XKB_MOD_NAME_ALT}, {0x40000, XKB_MOD_NAME_LOGO}}) {
    SCOPED_TRACE(modifier);
    xkb_state_update_mask(state.get(), paste_keymap::modifierMask(flags), 0, 0, 0, 0, 0);
    EXPECT_EQ(xkb_state_mod_name_is_active(state.get(), modifier, XKB_STATE_MODS_DEPRESSED), 1);
    EXPECT_EQ(xkb_state_key_get_one_sym(state.get(), *evdev + 8), flags == 0x20000 ? XKB_KEY_V : XKB_KEY_v);
  }
  const auto insert = paste_keymap::evdevKeyForXKeyCode(*xKeyCodeForVirtualKeyCode(114));
  ASSERT_EQ(insert, 110u);
  xkb_state_update_mask(state.get(), paste_keymap::modifierMask(0x20000), 0, 0, 0, 0, 0);
  EXPECT_EQ(xkb_state_key_get_one_sym(state.get(), *insert + 8), XKB_KEY_Insert);
}

}  // namespace
}  // namespace marbrel
