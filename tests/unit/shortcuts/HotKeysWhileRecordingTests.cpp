#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <vector>

#include "TestShortcuts.h"
#include "core/config/Defaults.h"
#include "core/platform/ModifierFlags.h"
#include "core/platform/NotificationCenter.h"
#include "core/shortcuts/KeyboardShortcuts.h"
#include "core/shortcuts/RecorderModel.h"
#include "fakes/FakeHotKeyService.h"

namespace marbrel {
namespace {

using testing::kCmd;
using testing::kShift;
using testing::kV;
using testing::kB;
using testing::kCmdShiftV;
using testing::kCmdB;

// While a recorder records, the desktop must not hold our hot keys, or the recorder would never
// receive the combination that is the shortcut already (pressing it would pop the menu up).
class HotKeysWhileRecordingTest : public ::testing::Test {
 protected:
  HotKeysWhileRecordingTest() {
    shortcuts.createName(Name::popup());
    shortcuts.onKeyDown(Name::popup(), [this] { ++runs; });
    recorder = std::make_unique<RecorderModel>(
        shortcuts, notifications, Name::popup(), ShortcutText([](std::int64_t) { return std::nullopt; }),
        [] { return std::vector<MenuKeyEquivalent>{}; });
  }

  Defaults defaults{""};
  FakeHotKeyService service;
  NotificationCenter notifications;
  KeyboardShortcuts shortcuts{defaults, service, notifications};
  std::unique_ptr<RecorderModel> recorder;
  int runs = 0;
};

TEST_F(HotKeysWhileRecordingTest, RecordingReleasesTheGrabsAndEndingTakesThemBackUnderTheSameIds) {
  ASSERT_EQ(service.grabCount(9, kCmd | kShift), 1);
  const auto id = service.grabs()[0].id;
  recorder->focusGained();
  EXPECT_TRUE(service.grabs().empty());
  EXPECT_EQ(service.press(9, kCmd | kShift), 0);
  EXPECT_TRUE(shortcuts.isRegistered(kCmdShiftV));
  recorder->focusLost();
  ASSERT_EQ(service.grabCount(9, kCmd | kShift), 1);
  EXPECT_EQ(service.grabs()[0].id.id, id.id);
  EXPECT_EQ(service.grabs()[0].id.signature, id.signature);
  service.press(9, kCmd | kShift);
  EXPECT_EQ(runs, 1);
  // Losing the focus twice, or going away after recording ended, takes nothing twice.
  recorder->focusLost();
  recorder.reset();
  EXPECT_EQ(service.grabCount(9, kCmd | kShift), 1);
  // A shortcut cleared while recording leaves nothing to take back.
  RecorderModel other(shortcuts, notifications, Name::popup(), ShortcutText([](std::int64_t) { return std::nullopt; }),
                      [] { return std::vector<MenuKeyEquivalent>{}; });
  other.focusGained();
  other.keyDown(51, 0, "");  // Delete
  other.focusLost();
  EXPECT_TRUE(service.grabs().empty());
}

TEST_F(HotKeysWhileRecordingTest, TheCurrentShortcutCanBeRecordedAgainAndANewOneIsHeldOnlyAfterRecording) {
  recorder->focusGained();
  RecorderResponse response = recorder->keyDown(kV, cocoa_flags::kCommand | cocoa_flags::kShift, "v");
  EXPECT_FALSE(response.alert);
  EXPECT_TRUE(response.resignFocus);
  EXPECT_EQ(shortcuts.getShortcut(Name::popup()), kCmdShiftV);
  EXPECT_EQ(service.grabCount(9, kCmd | kShift), 1);

  recorder->focusGained();
  // Changing the shortcut while recording checks that the desktop accepts it but does not hold it.
  EXPECT_TRUE(shortcuts.setShortcut(kCmdB, Name{"other", std::nullopt}));
  EXPECT_TRUE(service.grabs().empty());
  response = recorder->keyDown(kB, cocoa_flags::kCommand, "b");
  EXPECT_FALSE(response.alert);
  EXPECT_EQ(service.grabCount(11, kCmd), 1);
  EXPECT_EQ(service.grabCount(9, kCmd | kShift), 0);
  service.press(11, kCmd);
  EXPECT_EQ(runs, 1);
}

TEST_F(HotKeysWhileRecordingTest, ACombinationTakenByAnotherProgramDuringRecordingIsTriedAgainLater) {
  recorder->focusGained();
  service.refuse(9, kCmd | kShift);
  recorder->focusLost();
  EXPECT_TRUE(service.grabs().empty());
  EXPECT_FALSE(shortcuts.isRegistered(kCmdShiftV));
  EXPECT_EQ(shortcuts.getShortcut(Name::popup()), kCmdShiftV);  // still stored, without effect
  service.allow(9, kCmd | kShift);
  shortcuts.onKeyUp(Name::popup(), [] {});
  EXPECT_EQ(service.grabCount(9, kCmd | kShift), 1);
  service.press(9, kCmd | kShift);
  EXPECT_EQ(runs, 1);
}

}  // namespace
}  // namespace marbrel
