#include "ShortcutsFixture.h"

namespace marbrel {
namespace {

constexpr std::uint64_t kCommand = cocoa_flags::kCommand;
constexpr std::uint64_t kShift = cocoa_flags::kShift;
constexpr std::int64_t kA = 0, kV = 9, kQ = 12, kF5 = 96, kF12 = 111, kSpace = 49, kTab = 48, kDelete = 51, kEscape = 53;

// The pop-up's recorder; the stored shortcut is the default, Shift+Command+V (carbon 0x300).
class RecorderModelTest : public testing::ShortcutsTest {
 protected:
  RecorderModelTest() { makeRecorder(); }
  RecorderResponse record(std::int64_t code, std::uint64_t flags, const std::string& characters = "") {
    recorder->focusGained();
    return recorder->keyDown(code, flags, characters);
  }
};

TEST_F(RecorderModelTest, EachKeyPressAnswersAndStoresAsItsRulesSay) {
  const Shortcut kept{kV, 0x300};
  struct Row { const char* why; std::int64_t code; std::uint64_t flags; const char* characters;
               bool beep, swallow, resign; std::optional<Shortcut> stored; };
  const Row rows[] = {
      {"a plain letter", kA, 0, "a", true, true, false, kept},
      {"a shifted letter", kA, kShift, "a", true, true, false, kept},
      {"Caps Lock is no modifier", kA, cocoa_flags::kCapsLock, "a", true, true, false, kept},
      {"Tab goes on, so the focus moves", kTab, 0, "\t", false, false, true, kept},
      {"Escape ends recording", kEscape, 0, "", false, true, true, kept},
      {"Delete clears the shortcut and recording goes on", kDelete, 0, "", false, true, false, std::nullopt},
      {"with modifiers Escape is a combination", kEscape, kCommand | kShift | cocoa_flags::kOption | cocoa_flags::kControl,
       "", false, true, true, Shortcut{kEscape, 0x1B00}},
      {"a plain function key", kF5, cocoa_flags::kFunction, "", false, true, true, Shortcut{kF5, 0}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.why);
    const RecorderResponse response = record(row.code, row.flags, row.characters);
    EXPECT_EQ(std::tuple(response.beep, response.swallowEvent, response.resignFocus),
              std::tuple(row.beep, row.swallow, row.resign));
    EXPECT_EQ(shortcuts->getShortcut(Name::popup()), row.stored);
  }
  EXPECT_FALSE(recorder->isRecording() || shortcuts->isPaused());
  EXPECT_EQ(changes, (std::vector<std::optional<Shortcut>>{std::nullopt, Shortcut{kEscape, 0x1B00}, Shortcut{kF5, 0}}));
  EXPECT_EQ(service.grabCount(kF5, 0), 1);
  EXPECT_EQ(service.grabCount(kV, 0x300), 0);
  EXPECT_FALSE(record(160, 0, "\uF71A").beep) << "beyond F20 a function key is known by its character alone";
}

TEST_F(RecorderModelTest, ACombinationOfAMenuItemIsRefusedWithTheItemsTitle) {
  menu = {{"", kCommand, "No equivalent"}, {"q", kCommand | kShift, "Quit all"}, {"q", kCommand, "Quit"}};
  const RecorderResponse response = record(kQ, kCommand, "q");
  EXPECT_EQ(response.alert.value().messageKey, "keyboard_shortcut_used_by_menu_item");
  EXPECT_EQ(response.alert->messageArguments, std::vector<std::string>{"Quit"});
  EXPECT_TRUE(response.resignFocus && !recorder->isRecording());
  EXPECT_TRUE(changes.empty());
  // Other modifiers, or a key without a character, match no item.
  menu = {{"q", kCommand | cocoa_flags::kOption, "Quit"}, {"", kCommand, "No equivalent"}};
  EXPECT_FALSE(record(kQ, kCommand, "q").alert);
  EXPECT_FALSE(record(52, kCommand, "").alert);
}

// The reserved list's disabled entries do not count, nor do modifiers other than the four known.
TEST_F(RecorderModelTest, ACombinationTheSystemReservesOrAnotherProgramHoldsIsRefusedButPlainF12NeverIs) {
  service.setReserved({{kSpace, 0x100 | 0x4000, true}, {kF12, 0, true}, {kA, 0x100, false}});
  service.refuse(kQ, 0x100 | 0x800);
  for (const auto& [code, flags] : {std::pair{kSpace, kCommand}, std::pair{kQ, kCommand | cocoa_flags::kOption}}) {
    EXPECT_EQ(record(code, flags, " ").alert.value().messageKey, "keyboard_shortcut_used_by_system");
  }
  EXPECT_EQ(service.grabCount(kV, 0x300), 1);
  EXPECT_TRUE(changes.empty());
  EXPECT_FALSE(record(kA, kCommand, "a").alert);
  EXPECT_FALSE(record(kF12, cocoa_flags::kFunction).alert);
  EXPECT_EQ(shortcuts->getShortcut(Name::popup()), Shortcut({kF12, 0}));
}

}  // namespace
}  // namespace marbrel
