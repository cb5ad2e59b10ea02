#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <xkbcommon/xkbcommon.h>

#include "core/keylayout/FixedKeyCodes.h"
#include "core/keylayout/Sauce.h"
#include "xkb/KeyPositions.h"
#include "xkb/PasteKeymap.h"
#include "xkb/XkbKeyboardLayout.h"

namespace marbrel {
namespace {

std::unique_ptr<XkbKeyboardLayout> compile(const std::string& layoutText) {
  const auto names = XkbRuleNames::fromLayoutText(layoutText);
  if (!names) return nullptr;
  std::string error;
  auto layout = XkbKeyboardLayout::fromNames(*names, &error);
  EXPECT_NE(layout, nullptr) << layoutText << ": " << error;
  return layout;
}

// A compiled layout with the Sauce that reads it.
struct Compiled {
  explicit Compiled(const std::string& layoutText) : layout(compile(layoutText)) {
    if (layout) sauce = std::make_unique<Sauce>(*layout, notifications);
  }
  std::unique_ptr<XkbKeyboardLayout> layout;
  NotificationCenter notifications;
  std::unique_ptr<Sauce> sauce;
};

// Keys and texts of real layouts as the system's keymaps define them (dead keys, Cyrillic letters,
// keypad digits); Shift and Option choose the second and third levels.
TEST(XkbKeyboardLayout, EachLayoutGivesTheKeysAndTextsOfItsKeyboard) {
  struct Row { const char* layout; std::uint16_t code; std::optional<Key> key; std::optional<std::string> unshifted = {}; };
  const Row rows[] = {
      {"us", 9, Key::v}, {"us", 82, Key::keypadZero}, {"de", 16, Key::z}, {"de", 50, Key::caret, "^"},
      {"fr", 0, Key::q}, {"fr", 18, Key::one, "&"}, {"us(dvorak)", 47, Key::v}, {"ru", 9, Key::v, "\u043C"},
  };
  std::map<std::string, Compiled> layouts;
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.layout) + " at " + std::to_string(row.code));
    const Sauce* sauce = layouts.try_emplace(row.layout, row.layout).first->second.sauce.get();
    ASSERT_TRUE(sauce);
    EXPECT_EQ(sauce->keyForKeyCode(row.code), row.key);
    if (row.unshifted) { EXPECT_EQ(sauce->keyText(row.code, 0), row.unshifted); }
  }
  EXPECT_EQ(layouts.at("us(dvorak)").sauce->keyCodeForKey(Key::v), 47);
  const Sauce& de = *layouts.at("de").sauce;
  EXPECT_EQ(de.keyText(20, 0x200), "\u00A7");  // § on Shift-3
  EXPECT_EQ(de.keyText(12, 0x800), "@");       // Option
  // A Cyrillic-only keymap cannot type ASCII: no source qualifies, and lookups do not need one.
  const Compiled& ru = layouts.at("ru");
  EXPECT_FALSE(ru.layout->currentKeyboardLayoutInputSource()->isASCIICapable);
  EXPECT_EQ(ru.layout->currentASCIICapableInputSource(), std::nullopt);
  EXPECT_EQ(ru.sauce->currentASCIICapableInputSource(), std::nullopt);
  const XkbKeyboardLayout& us = *layouts.at("us").layout;
  EXPECT_EQ(us.textForKeyCode(*us.currentKeyboardLayoutInputSource(), 52, {}), std::nullopt);  // no key there
  EXPECT_EQ(us.textForKeyCode(*us.currentKeyboardLayoutInputSource(), 123, {}), "");  // an arrow types nothing
}

// With Russian selected the Latin group stays the one that types ASCII.
TEST(XkbKeyboardLayout, EachGroupIsAnInputSourceThatCanBeSelected) {
  const auto both = compile("us,ru");
  const auto sources = both->enabledInputSources();
  ASSERT_EQ(sources.size(), 2u);
  EXPECT_TRUE(sources[0].isSelected && !sources[1].isSelected);
  ASSERT_TRUE(both->selectGroup(1));
  EXPECT_FALSE(both->selectGroup(2));
  EXPECT_EQ(both->currentKeyboardLayoutInputSource()->id, sources[1].id);
  EXPECT_EQ(both->currentASCIICapableInputSource()->id, sources[0].id);
  // Groups with the same name are still distinct sources.
  const auto twice = compile("us,us")->enabledInputSources();
  ASSERT_EQ(twice.size(), 2u);
  EXPECT_NE(twice[0], twice[1]);
}

// A keymap compiled by someone else, as the shell gets the display's keymap; the layout keeps its
// own reference.
std::unique_ptr<xkb_keymap, decltype(&xkb_keymap_unref)> compileKeymap(const char* layout) {
  std::unique_ptr<xkb_context, decltype(&xkb_context_unref)> context(xkb_context_new(XKB_CONTEXT_NO_ENVIRONMENT_NAMES),
                                                                     xkb_context_unref);
  const xkb_rule_names names{"evdev", "pc105", layout, "", ""};
  return {xkb_keymap_new_from_names(context.get(), &names, XKB_KEYMAP_COMPILE_NO_FLAGS), xkb_keymap_unref};
}

TEST(XkbKeyboardLayout, AnExistingKeymapCanBeUsedAndReplaced) {
  XkbKeyboardLayout layout(compileKeymap("fr,de").get());
  NotificationCenter notifications;
  Sauce sauce(layout, notifications);
  EXPECT_EQ(sauce.keyForKeyCode(0), Key::q);
  ASSERT_TRUE(layout.selectGroup(1));
  layout.replaceKeymap(compileKeymap("us").get());  // group 2 is gone: the first group is selected
  sauce.enabledInputSourcesChanged();
  EXPECT_EQ(layout.selectedGroup(), 0u);
  EXPECT_EQ(sauce.keyForKeyCode(16), Key::y);
}

TEST(XkbRuleNames, ReadsLayoutsWithAndWithoutVariantsAndRejectsOtherTexts) {
  const auto names = XkbRuleNames::fromLayoutText("us,de(nodeadkeys),ru");
  ASSERT_TRUE(names);
  EXPECT_EQ(names->layout, "us,de,ru");
  EXPECT_EQ(names->variant, ",nodeadkeys,");
  EXPECT_EQ(names->layoutText(), "us,de(nodeadkeys),ru");
  for (const char* text : {"", "us(", "us()", "(dvorak)", "us)", "us,", "us de", "../../etc/passwd",
                           "us(dv(orak))", "-us", "us(dvorak)x"}) {
    EXPECT_EQ(XkbRuleNames::fromLayoutText(text), std::nullopt) << text;
  }
}

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
