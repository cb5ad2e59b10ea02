#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/keylayout/Sauce.h"
#include "fakes/FakeKeyboardLayout.h"

namespace marbrel {
namespace {

// A German-like layout: Y and Z swapped, "+" where the US layout has "]", and a dead "^" on the
// key left of 1.
void setGermanTexts(FakeKeyboardLayout& layout, const std::string& id) {
  layout.setUSTexts(id);
  layout.setText(id, 6, "y");
  layout.setText(id, 16, "z");
  layout.setText(id, 30, "+");
  layout.setText(id, 33, "\u00FC");  // ü
  layout.setText(id, 50, "^");
  layout.setText(id, 10, "<");
}

class SauceTest : public ::testing::Test {
 protected:
  SauceTest() {
    layout.addSource("us");
    layout.setUSTexts("us");
    layout.addSource("de");
    setGermanTexts(layout, "de");
  }

  // Records the notifications Sauce posts from now on.
  void watch() {
    for (std::string_view name :
         {kSauceSelectedKeyboardInputSourceChanged, kSauceSelectedKeyboardKeyCodesChanged,
          kSauceEnabledKeyboardInputSourcesChanged}) {
      notifications.addObserver(std::string(name), [this](const Notification& notification) {
        EXPECT_TRUE(notification.userInfo.empty());
        posted.push_back(notification.name);
      });
    }
  }

  FakeKeyboardLayout layout;
  NotificationCenter notifications;
  std::vector<std::string> posted;
};

TEST_F(SauceTest, USLayoutGivesTheKeysPrintedOnAUSKeyboard) {
  Sauce sauce(layout, notifications);
  EXPECT_EQ(sauce.keyForKeyCode(9), Key::v);
  EXPECT_EQ(sauce.keyForKeyCode(82), Key::keypadZero);
  EXPECT_EQ(sauce.keyForKeyCode(29), Key::zero);
  EXPECT_EQ(sauce.keyForKeyCode(16), Key::y);
  EXPECT_EQ(sauce.keyForKeyCode(36), Key::return_);
  EXPECT_EQ(sauce.keyForKeyCode(49), Key::space);
  EXPECT_EQ(sauce.keyForKeyCode(123), Key::leftArrow);
}

TEST_F(SauceTest, GermanLayoutGivesTheKeyItProducesNotTheUSOne) {
  layout.select("de");
  Sauce sauce(layout, notifications);
  EXPECT_EQ(sauce.keyForKeyCode(16), Key::z);
  EXPECT_EQ(sauce.keyForKeyCode(6), Key::y);
  EXPECT_EQ(sauce.keyForKeyCode(50), Key::caret);
  EXPECT_EQ(sauce.keyCodeForKey(Key::z), 16);
  EXPECT_EQ(sauce.keyCodeForKey(Key::caret), 50);
}

TEST_F(SauceTest, CodesTheLayoutLeavesOutFallBackToTheUSTable) {
  layout.select("de");
  layout.setText("de", 52, "\u00B4");  // ´ names no key
  Sauce sauce(layout, notifications);
  EXPECT_EQ(sauce.keyForKeyCode(10), Key::section);     // "<" is no key
  EXPECT_EQ(sauce.keyForKeyCode(33), Key::leftBracket);  // ü is no key
  EXPECT_EQ(sauce.keyForKeyCode(52), std::nullopt);
  EXPECT_EQ(sauce.keyForKeyCode(200), std::nullopt);
  EXPECT_EQ(sauce.keyForKeyCode(127), std::nullopt);
  EXPECT_EQ(sauce.keyForKeyCode(65535), std::nullopt);
  // No layout text gives atSign, and the US table has no code for it.
  EXPECT_EQ(sauce.keyCodeForKey(Key::atSign), std::nullopt);
  EXPECT_EQ(sauce.keyCodeForKey(Key::section), 10);
}

TEST_F(SauceTest, TheLowestCodeProducingAKeyKeepsIt) {
  layout.select("de");
  Sauce sauce(layout, notifications);
  // "+" at 30 takes keypadPlus, so the keypad's own "+" at 69 is left out of the map and answers
  // through the US table.
  EXPECT_EQ(sauce.keyForKeyCode(30), Key::keypadPlus);
  EXPECT_EQ(sauce.keyForKeyCode(69), Key::keypadPlus);
  EXPECT_EQ(sauce.keyCodeForKey(Key::keypadPlus), 30);
  const KeyCodeMap* map = sauce.mapForSource(*sauce.currentKeyboardLayoutInputSource());
  ASSERT_NE(map, nullptr);
  EXPECT_EQ(map->keyForKeyCode(69), std::nullopt);
}

TEST_F(SauceTest, SpecialKeysAreNeverAskedOfTheLayout) {
  layout.setText("us", 36, "x");
  layout.setText("us", 7, "q");  // so x is free for code 36 if it were asked
  Sauce sauce(layout, notifications);
  EXPECT_EQ(sauce.keyForKeyCode(36), Key::return_);
  const KeyCodeMap* map = sauce.mapForSource(*sauce.currentKeyboardLayoutInputSource());
  ASSERT_NE(map, nullptr);
  EXPECT_EQ(map->keyCodeForKey(Key::x), std::nullopt);
  EXPECT_EQ(map->keyForKeyCode(36), Key::return_);
  EXPECT_EQ(sauce.keyText(36, 0), "\u21A9");
  EXPECT_EQ(sauce.keyText(122, 0x200), "F1");
}

TEST_F(SauceTest, KeyTextPassesShiftAndOptionAndIgnoresOtherModifiers) {
  layout.setText("us", 9, "V", {.shift = true});
  layout.setText("us", 9, "\u221A", {.option = true});
  layout.setText("us", 9, "\u25CA", {.shift = true, .option = true});
  Sauce sauce(layout, notifications);
  EXPECT_EQ(sauce.keyText(9, 0), "v");
  EXPECT_EQ(sauce.keyText(9, 0x200), "V");
  EXPECT_EQ(sauce.keyText(9, 0x800), "\u221A");
  EXPECT_EQ(sauce.keyText(9, 0x200 | 0x800), "\u25CA");
  EXPECT_EQ(sauce.keyText(9, 0x100 | 0x1000), "v");  // Command and Control dropped
  EXPECT_EQ(sauce.keyText(52, 0), std::nullopt);
}

TEST_F(SauceTest, LookupsAskNothingOfTheLayout) {
  Sauce sauce(layout, notifications);
  const int asked = layout.textRequests();
  for (std::uint16_t code = 0; code < 300; ++code) sauce.keyForKeyCode(code);
  for (Key key : allKeys()) sauce.keyCodeForKey(key);
  layout.select("de");
  sauce.selectedInputSourceChanged();  // de's map was built with the enabled sources
  sauce.keyForKeyCode(16);
  EXPECT_EQ(layout.textRequests(), asked);
}

TEST_F(SauceTest, WithoutLayoutDataOrWithoutASourceTheUSTableAnswers) {
  layout.addSource("ime", /*asciiCapable=*/false, /*hasLayoutData=*/false);
  layout.setText("ime", 16, "z");
  layout.select("ime");
  Sauce sauce(layout, notifications);
  EXPECT_EQ(sauce.mapForSource(*sauce.currentKeyboardLayoutInputSource()), nullptr);
  EXPECT_EQ(sauce.keyForKeyCode(16), Key::y);
  EXPECT_EQ(sauce.keyCodeForKey(Key::z), 6);

  layout.select(std::nullopt);
  Sauce noSource(layout, notifications);
  EXPECT_EQ(noSource.currentKeyboardLayoutInputSource(), std::nullopt);
  EXPECT_EQ(noSource.keyForKeyCode(16), Key::y);
  EXPECT_EQ(noSource.keyText(49, 0), "Space");
  EXPECT_EQ(noSource.keyText(9, 0), std::nullopt);
}

TEST_F(SauceTest, ConstructionReadsEveryEnabledSourceAndTheASCIICapableOne) {
  layout.addSource("ru", /*asciiCapable=*/false);
  layout.setText("ru", 9, "\u043C");
  layout.select("ru");
  Sauce sauce(layout, notifications);
  ASSERT_EQ(sauce.inputSources().size(), 3u);
  EXPECT_EQ(sauce.inputSources()[1].id, "de");
  for (const InputSource& source : sauce.inputSources()) {
    EXPECT_NE(sauce.mapForSource(source), nullptr) << source.id;
  }
  EXPECT_EQ(sauce.currentKeyboardLayoutInputSource()->id, "ru");
  EXPECT_EQ(sauce.currentASCIICapableInputSource()->id, "us");
  // The Cyrillic letter names no key: V's position answers through the US table.
  EXPECT_EQ(sauce.keyForKeyCode(9), Key::v);
}

TEST_F(SauceTest, SelectingAnotherSourcePostsAndSwitchesTheMap) {
  Sauce sauce(layout, notifications);
  watch();
  layout.select("de");
  sauce.selectedInputSourceChanged();
  EXPECT_EQ(posted, (std::vector<std::string>{"SauceSelectedKeyboardInputSourceChanged",
                                              "SauceSelectedKeyboardKeyCodesChanged"}));
  EXPECT_EQ(sauce.keyForKeyCode(16), Key::z);
  EXPECT_TRUE(sauce.currentKeyboardLayoutInputSource()->isSelected);
}

TEST_F(SauceTest, SelectingTheSameSourceAgainPostsNothingButUpdatesTheASCIISource) {
  layout.addSource("dvorak");
  Sauce sauce(layout, notifications);
  watch();
  layout.setASCIICapableSource("dvorak");
  sauce.selectedInputSourceChanged();
  EXPECT_TRUE(posted.empty());
  EXPECT_EQ(sauce.currentASCIICapableInputSource()->id, "dvorak");
}

TEST_F(SauceTest, SelectingASourceWithTheSameKeysPostsOnlyTheSelection) {
  layout.addSource("us-intl");
  layout.setUSTexts("us-intl");
  Sauce sauce(layout, notifications);
  watch();
  layout.select("us-intl");
  sauce.selectedInputSourceChanged();
  EXPECT_EQ(posted, std::vector<std::string>{"SauceSelectedKeyboardInputSourceChanged"});
}

TEST_F(SauceTest, SelectingASourceWithoutAMapPostsOnlyTheSelection) {
  layout.addSource("ime", false, /*hasLayoutData=*/false);
  Sauce sauce(layout, notifications);
  watch();
  layout.select("ime");
  sauce.selectedInputSourceChanged();
  EXPECT_EQ(posted, std::vector<std::string>{"SauceSelectedKeyboardInputSourceChanged"});
  posted.clear();
  layout.select(std::nullopt);
  sauce.selectedInputSourceChanged();
  EXPECT_EQ(posted, std::vector<std::string>{"SauceSelectedKeyboardInputSourceChanged"});
  EXPECT_EQ(sauce.keyForKeyCode(16), Key::y);
}

TEST_F(SauceTest, SelectingASourceThatWasNotEnabledBuildsItsMap) {
  layout.addSource("fr");
  layout.setUSTexts("fr");
  layout.setText("fr", 0, "q");
  layout.setText("fr", 12, "a");
  layout.removeSource("fr");
  Sauce sauce(layout, notifications);
  EXPECT_EQ(sauce.inputSources().size(), 2u);
  watch();
  layout.select("fr");
  sauce.selectedInputSourceChanged();
  EXPECT_EQ(sauce.keyForKeyCode(0), Key::q);
  EXPECT_EQ(sauce.keyForKeyCode(12), Key::a);
  EXPECT_EQ(posted.size(), 2u);
}

TEST_F(SauceTest, EnablingSourcesRebuildsEveryMapAndPosts) {
  Sauce sauce(layout, notifications);
  watch();
  layout.setText("us", 9, "k");  // the keymap was replaced meanwhile
  layout.removeSource("de");
  sauce.enabledInputSourcesChanged();
  EXPECT_EQ(posted, std::vector<std::string>{"SauceEnabledKeyboardInputSoucesChanged"});
  ASSERT_EQ(sauce.inputSources().size(), 1u);
  InputSource de;
  de.id = "de";
  EXPECT_EQ(sauce.mapForSource(de), nullptr);
  // 9 now comes before 40 as the lowest code producing k; 40 answers through the US table.
  EXPECT_EQ(sauce.keyForKeyCode(9), Key::k);
  EXPECT_EQ(sauce.keyForKeyCode(40), Key::k);
  EXPECT_EQ(sauce.keyCodeForKey(Key::k), 9);
  EXPECT_EQ(sauce.keyCodeForKey(Key::v), 9);  // no layout code for v: the US table's
}

TEST(InputSource, SameIdAndModeIsTheSameSource) {
  InputSource a;
  a.id = "us";
  a.isSelected = true;
  a.localizedName = "English";
  InputSource b;
  b.id = "us";
  b.localizedName = "other";
  EXPECT_EQ(a, b);
  EXPECT_EQ(InputSourceHash{}(a), InputSourceHash{}(b));
  b.modeID = "mode";
  EXPECT_NE(a, b);
  a.modeID = "mode";
  EXPECT_EQ(a, b);
  a.id = "de";
  EXPECT_NE(a, b);
}

}  // namespace
}  // namespace marbrel
