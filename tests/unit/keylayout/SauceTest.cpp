#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "core/keylayout/KeyForCharacter.h"
#include "core/keylayout/Sauce.h"
#include "fakes/FakeKeyboardLayout.h"

namespace marbrel {
namespace {

// Two enabled sources: a US layout (selected) and a German-like one with Y and Z swapped, "+" where
// the US layout has "]", "ü" where it has "[", a dead "^" left of 1 and "<" on the ISO key.
class SauceTest : public ::testing::Test {
 protected:
  SauceTest() {
    for (const char* id : {"us", "de"}) {
      layout.addSource(id);
      layout.setUSTexts(id);
    }
    for (const auto& [code, text] : {std::pair<std::uint16_t, const char*>{6, "y"}, {16, "z"},
                                     {30, "+"}, {33, "\u00FC"}, {50, "^"}, {10, "<"}}) {
      layout.setText("de", code, text);
    }
  }
  void select(const std::string& id, Sauce& sauce) {
    layout.select(id);
    sauce.selectedInputSourceChanged();
  }

  FakeKeyboardLayout layout;
  NotificationCenter notifications;
};

TEST_F(SauceTest, CodesTheLayoutLeavesOutFallBackToTheUSTable) {
  layout.select("de");
  layout.setText("de", 52, "\u00B4");  // ´ names no key
  Sauce sauce(layout, notifications);
  EXPECT_EQ(sauce.keyForKeyCode(16), Key::z);
  EXPECT_EQ(sauce.keyForKeyCode(10), Key::section);      // "<" names no key
  EXPECT_EQ(sauce.keyForKeyCode(33), Key::leftBracket);  // nor does ü
  EXPECT_EQ(sauce.keyForKeyCode(52), std::nullopt);
  EXPECT_EQ(sauce.keyForKeyCode(KeyCodeMap::kCodeCount), std::nullopt);  // the first code past the map
  EXPECT_EQ(sauce.keyCodeForKey(Key::atSign), std::nullopt);
}

TEST_F(SauceTest, WithoutLayoutDataOrWithoutASourceTheUSTableAnswers) {
  layout.addSource("ime", /*asciiCapable=*/false, /*hasLayoutData=*/false);
  layout.setText("ime", 16, "z");
  layout.select("ime");
  Sauce sauce(layout, notifications);
  EXPECT_EQ(sauce.mapForSource(*sauce.currentKeyboardLayoutInputSource()), nullptr);
  EXPECT_EQ(sauce.keyForKeyCode(16), Key::y);
  EXPECT_EQ(sauce.currentASCIICapableInputSource()->id, "us");
  layout.select(std::nullopt);
  EXPECT_EQ(Sauce(layout, notifications).keyText(9, 0), std::nullopt);
}

TEST_F(SauceTest, SpecialKeysAreNeverAskedOfTheLayoutAndOnlyShiftAndOptionReachIt) {
  layout.setText("us", 36, "x");
  layout.setText("us", 7, "q");  // leaves x to code 36, were it asked
  layout.setText("us", 9, "V", {.shift = true});
  layout.setText("us", 9, "\u221A", {.option = true});
  Sauce sauce(layout, notifications);
  EXPECT_EQ(sauce.mapForSource(*sauce.currentKeyboardLayoutInputSource())->keyCodeForKey(Key::x), std::nullopt);
  EXPECT_EQ(sauce.keyForKeyCode(36), Key::return_);
  EXPECT_EQ(sauce.keyText(36, 0), "\u21A9");
  EXPECT_EQ(sauce.keyText(9, 0x200), "V");
  EXPECT_EQ(sauce.keyText(9, 0x800), "\u221A");
  EXPECT_EQ(sauce.keyText(9, 0x100 | 0x1000), "v");  // Command and Control are dropped
}

TEST_F(SauceTest, EnablingSourcesRebuildsEveryMapAndSelectingAnotherBuildsItsMap) {
  Sauce sauce(layout, notifications);
  layout.setText("us", 9, "k");  // the keymap was replaced meanwhile
  layout.removeSource("de");
  InputSource de;  // a source is identified by its id (and mode) alone
  de.id = "de";
  ASSERT_NE(sauce.mapForSource(de), nullptr);
  sauce.enabledInputSourcesChanged();
  EXPECT_EQ(sauce.inputSources().size(), 1u);
  EXPECT_EQ(sauce.mapForSource(de), nullptr);
  EXPECT_EQ(sauce.keyForKeyCode(9), Key::k);   // 9 now comes before 40
  EXPECT_EQ(sauce.keyForKeyCode(40), Key::k);  // 40 answers by the US table
  select("de", sauce);  // no longer enabled: its map is built when it is selected
  EXPECT_EQ(sauce.keyForKeyCode(16), Key::z);
}

TEST(KeyForCharacter, NamesTheKeyThatATextAndItsCodeStandFor) {
  struct Case { const char* text; std::uint16_t keyCode; std::optional<Key> key; };
  const Case cases[] = {
      {"Z", 16, Key::z}, {"ab", 0, std::nullopt}, {"\u0439", 12, std::nullopt},  // й
      // Digits are main-row keys except at their own keypad code.
      {"0", 29, Key::zero}, {"seven", 18, Key::seven}, {"0", 82, Key::keypadZero}, {"1", 82, Key::one},
      // Punctuation shared with the keypad depends on the code.
      {"=", 24, Key::equal}, {"=", 81, Key::keypadEquals}, {",", 95, Key::keypadComma}, {"]", 30, Key::rightBracket},
      // Names count where the rules list them, in any case.
      {"Minus", 0, Key::minus}, {"KeypadNine", 0, Key::keypadNine}, {"pagedown", 0, Key::pageDown}, {"semicolon", 41, {}},
      // Special keys by their fixed texts.
      {"Space", 0, Key::space}, {"\u21A9", 0, Key::return_}, {"?", 0, std::nullopt},
      // JIS and other symbols.
      {"\u00A5", 93, Key::yen}, {"\u304B\u306A", 104, Key::kana}, {"@", 33, Key::atSign}, {"\u00B4", 24, std::nullopt},
  };
  for (const Case& each : cases) {
    EXPECT_EQ(keyForCharacter(each.text, each.keyCode), each.key) << "'" << each.text << "' at " << each.keyCode;
  }
}

}  // namespace
}  // namespace marbrel
