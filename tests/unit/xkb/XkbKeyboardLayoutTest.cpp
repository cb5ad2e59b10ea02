#include <gtest/gtest.h>
#include <xkbcommon/xkbcommon.h>

#include <memory>
#include <string>
#include <vector>

#include "core/keylayout/Sauce.h"
#include "xkb/KeysymText.h"
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

constexpr std::uint32_t kShift = 0x200;
constexpr std::uint32_t kOption = 0x800;

TEST(XkbKeyboardLayout, USGivesTheKeysOfAUSKeyboard) {
  Compiled us("us");
  ASSERT_TRUE(us.sauce);
  EXPECT_EQ(us.sauce->keyForKeyCode(9), Key::v);
  EXPECT_EQ(us.sauce->keyForKeyCode(82), Key::keypadZero);
  EXPECT_EQ(us.sauce->keyForKeyCode(29), Key::zero);
  EXPECT_EQ(us.sauce->keyForKeyCode(200), std::nullopt);
  EXPECT_EQ(us.sauce->keyForKeyCode(52), std::nullopt);
  // The US layout types "<" at the ISO key and nothing at the JIS yen key: the US table answers.
  EXPECT_EQ(us.sauce->keyText(10, 0), "<");
  EXPECT_EQ(us.sauce->keyForKeyCode(10), Key::section);
  EXPECT_EQ(us.sauce->keyText(93, 0), "");
  EXPECT_EQ(us.sauce->keyForKeyCode(93), Key::yen);
  // Each map entry came from the layout itself, not from the fallback.
  const KeyCodeMap* map = us.sauce->mapForSource(*us.sauce->currentKeyboardLayoutInputSource());
  ASSERT_NE(map, nullptr);
  EXPECT_EQ(map->keyForKeyCode(82), Key::keypadZero);
  EXPECT_EQ(map->keyForKeyCode(10), std::nullopt);
}

TEST(XkbKeyboardLayout, GermanSwapsYAndZAndShowsItsDeadKeys) {
  Compiled de("de");
  ASSERT_TRUE(de.sauce);
  EXPECT_EQ(de.sauce->keyForKeyCode(16), Key::z);
  EXPECT_EQ(de.sauce->keyForKeyCode(6), Key::y);
  EXPECT_EQ(de.sauce->keyCodeForKey(Key::z), 16);
  EXPECT_EQ(de.sauce->keyText(50, 0), "^");
  EXPECT_EQ(de.sauce->keyForKeyCode(50), Key::caret);
  EXPECT_EQ(de.sauce->keyText(24, 0), "\u00B4");  // dead acute: no key, the US table's equal
  EXPECT_EQ(de.sauce->keyForKeyCode(24), Key::equal);
  EXPECT_EQ(de.sauce->keyForKeyCode(30), Key::keypadPlus);  // "+" beside Ü comes first
  EXPECT_EQ(de.sauce->keyForKeyCode(69), Key::keypadPlus);
  // Shift and Option choose the second and third levels; other modifiers do not count.
  EXPECT_EQ(de.sauce->keyText(16, kShift), "Z");
  EXPECT_EQ(de.sauce->keyText(12, kOption), "@");
  EXPECT_EQ(de.sauce->keyText(20, kShift), "\u00A7");    // § on Shift-3
  EXPECT_EQ(de.sauce->keyText(12, 0x100 | 0x1000), "q");  // Command and Control do not count
}

TEST(XkbKeyboardLayout, FrenchAzertyMovesLettersAndDigits) {
  Compiled fr("fr");
  ASSERT_TRUE(fr.sauce);
  EXPECT_EQ(fr.sauce->keyForKeyCode(0), Key::q);
  EXPECT_EQ(fr.sauce->keyForKeyCode(12), Key::a);
  EXPECT_EQ(fr.sauce->keyForKeyCode(13), Key::z);
  EXPECT_EQ(fr.sauce->keyForKeyCode(41), Key::m);
  EXPECT_EQ(fr.sauce->keyForKeyCode(47), Key::colon);
  EXPECT_EQ(fr.sauce->keyForKeyCode(33), Key::caret);
  // Digits need Shift on AZERTY; the unshifted "&" names no key, so the US table answers.
  EXPECT_EQ(fr.sauce->keyText(18, 0), "&");
  EXPECT_EQ(fr.sauce->keyText(18, kShift), "1");
  EXPECT_EQ(fr.sauce->keyForKeyCode(18), Key::one);
}

TEST(XkbKeyboardLayout, DvorakPutsVWherePeriodIsOnQwerty) {
  Compiled dvorak("us(dvorak)");
  ASSERT_TRUE(dvorak.sauce);
  EXPECT_EQ(dvorak.sauce->keyForKeyCode(47), Key::v);
  EXPECT_EQ(dvorak.sauce->keyForKeyCode(9), Key::k);
  EXPECT_EQ(dvorak.sauce->keyCodeForKey(Key::v), 47);
  EXPECT_TRUE(dvorak.layout->currentKeyboardLayoutInputSource()->isASCIICapable);
}

TEST(XkbKeyboardLayout, RussianLettersNameNoKeySoTheyKeepTheirUSPositions) {
  Compiled ru("ru");
  ASSERT_TRUE(ru.sauce);
  EXPECT_EQ(ru.sauce->keyText(9, 0), "\u043C");  // м
  EXPECT_EQ(ru.sauce->keyForKeyCode(9), Key::v);
  EXPECT_EQ(ru.sauce->keyForKeyCode(44), Key::period);  // "." where US has "/"
  EXPECT_EQ(ru.sauce->keyForKeyCode(47), Key::period);  // ю: the US table
  // A Cyrillic-only keymap cannot type ASCII: no source qualifies, and lookups do not need one.
  const auto source = ru.layout->currentKeyboardLayoutInputSource();
  ASSERT_TRUE(source);
  EXPECT_FALSE(source->isASCIICapable);
  EXPECT_EQ(ru.layout->currentASCIICapableInputSource(), std::nullopt);
  EXPECT_EQ(ru.sauce->currentASCIICapableInputSource(), std::nullopt);
}

TEST(XkbKeyboardLayout, EachGroupIsAnInputSourceAndSelectingOneSwitchesSauce) {
  Compiled both("us,ru");
  ASSERT_TRUE(both.sauce);
  const auto sources = both.layout->enabledInputSources();
  ASSERT_EQ(sources.size(), 2u);
  EXPECT_EQ(sources[0].localizedName, "English (US)");
  EXPECT_EQ(sources[1].localizedName, "Russian");
  EXPECT_TRUE(sources[0].isSelected && !sources[1].isSelected);

  int keyChanges = 0;
  both.notifications.addObserver(std::string(kSauceSelectedKeyboardKeyCodesChanged),
                                 [&](const Notification&) { ++keyChanges; });
  ASSERT_TRUE(both.layout->selectGroup(1));
  both.sauce->selectedInputSourceChanged();
  EXPECT_EQ(keyChanges, 1);
  EXPECT_EQ(both.sauce->currentKeyboardLayoutInputSource()->id, sources[1].id);
  // With Russian selected the Latin group stays the one that types ASCII.
  EXPECT_EQ(both.sauce->currentASCIICapableInputSource()->id, sources[0].id);

  EXPECT_FALSE(both.layout->selectGroup(2));
  EXPECT_EQ(both.layout->selectedGroup(), 1u);

  // Groups with the same name are still distinct sources.
  const auto twice = compile("us,us")->enabledInputSources();
  ASSERT_EQ(twice.size(), 2u);
  EXPECT_NE(twice[0], twice[1]);
}

TEST(XkbKeyboardLayout, TextsComeFromThePhysicalKeyWithTheKeypadTypingDigits) {
  auto us = compile("us");
  ASSERT_TRUE(us);
  const InputSource source = *us->currentKeyboardLayoutInputSource();
  EXPECT_TRUE(us->hasKeyLayoutData(source));
  EXPECT_EQ(us->textForKeyCode(source, 0, {}), "a");
  EXPECT_EQ(us->textForKeyCode(source, 82, {}), "0");
  EXPECT_EQ(us->textForKeyCode(source, 52, {}), std::nullopt);   // no key there
  EXPECT_EQ(us->textForKeyCode(source, 123, {}), "");            // an arrow types nothing
  InputSource unknown;
  unknown.id = "Klingon";
  EXPECT_FALSE(us->hasKeyLayoutData(unknown));
  EXPECT_EQ(us->textForKeyCode(unknown, 0, {}), std::nullopt);
}

TEST(XkbKeyboardLayout, UnknownNamesFailWithAReason) {
  std::string error;
  XkbRuleNames names;
  names.layout = "xx";
  EXPECT_EQ(XkbKeyboardLayout::fromNames(names, &error), nullptr);
  EXPECT_NE(error.find("'xx'"), std::string::npos) << error;

  names.layout = "us";
  names.variant = "nosuchvariant";
  EXPECT_EQ(XkbKeyboardLayout::fromNames(names, &error), nullptr);
  EXPECT_NE(error.find("us(nosuchvariant)"), std::string::npos) << error;
}

// A keymap compiled by someone else, as the shell gets the display's keymap.
xkb_keymap* compileKeymap(const char* layout) {
  xkb_context* context = xkb_context_new(XKB_CONTEXT_NO_ENVIRONMENT_NAMES);
  const xkb_rule_names names{"evdev", "pc105", layout, "", ""};
  xkb_keymap* keymap = xkb_keymap_new_from_names(context, &names, XKB_KEYMAP_COMPILE_NO_FLAGS);
  xkb_context_unref(context);
  return keymap;
}

TEST(XkbKeyboardLayout, AnExistingKeymapCanBeUsedAndReplaced) {
  xkb_keymap* german = compileKeymap("de");
  ASSERT_NE(german, nullptr);
  XkbKeyboardLayout layout(german);
  xkb_keymap_unref(german);  // the layout holds its own reference
  NotificationCenter notifications;
  Sauce sauce(layout, notifications);
  EXPECT_EQ(sauce.keyForKeyCode(16), Key::z);

  xkb_keymap* frenchAndGerman = compileKeymap("fr,de");
  ASSERT_NE(frenchAndGerman, nullptr);
  layout.replaceKeymap(frenchAndGerman);
  xkb_keymap_unref(frenchAndGerman);
  sauce.enabledInputSourcesChanged();
  sauce.selectedInputSourceChanged();
  EXPECT_EQ(sauce.inputSources().size(), 2u);
  EXPECT_EQ(sauce.currentKeyboardLayoutInputSource()->localizedName, "French");
  EXPECT_EQ(sauce.keyForKeyCode(0), Key::q);

  ASSERT_TRUE(layout.selectGroup(1));
  xkb_keymap* us = compileKeymap("us");
  layout.replaceKeymap(us);  // group 2 is gone: the first group is selected
  xkb_keymap_unref(us);
  EXPECT_EQ(layout.selectedGroup(), 0u);
  sauce.enabledInputSourcesChanged();
  sauce.selectedInputSourceChanged();
  EXPECT_EQ(sauce.keyForKeyCode(16), Key::y);
}

TEST(KeysymNames, ACharacterIsNamedAsDesktopShortcutSettingsNameItsKey) {
  struct Row {
    const char* character;
    const char* name;
  };
  for (const Row& row : std::vector<Row>{{"v", "v"}, {",", "comma"}, {"\xC3\xA9", "eacute"}, {"\xC3\x9F", "ssharp"},
                                          {"\xD1\x84", "Cyrillic_ef"}, {"", ""}, {"ab", ""}, {"\xC3", ""}, {"\x80", ""}}) {
    EXPECT_EQ(keysymNameForCharacter(row.character), row.name) << row.character;
  }
}

}  // namespace
}  // namespace marbrel
