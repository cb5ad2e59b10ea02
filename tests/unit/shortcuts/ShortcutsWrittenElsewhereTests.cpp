#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "TestShortcuts.h"
#include "core/config/Defaults.h"
#include "core/platform/NotificationCenter.h"
#include "core/shortcuts/KeyboardShortcuts.h"
#include "core/shortcuts/RecorderModel.h"
#include "fakes/FakeHotKeyService.h"
#include "support/TempDir.h"

namespace marbrel {
namespace {

using testing::kCmd;
using testing::kShift;
using testing::kCmdShiftV;
using testing::kCmdB;
using testing::kOther;

// The running program's registry over one settings file, and a second writer of the same file
// (as `marbrel defaults write KeyboardShortcuts_popup ...` is); the program reloads the file when
// it changes.
class ShortcutsWrittenElsewhereTest : public ::testing::Test {
 protected:
  ShortcutsWrittenElsewhereTest() {
    testing::recordShortcutChanges(notifications, posted);
    shortcuts.createName(Name::popup());
    shortcuts.onKeyDown(Name::popup(), [this] { log.push_back("popup"); });
    posted.clear();
  }
  void writeElsewhere(const std::string& key, const Defaults::Value& value) {
    Defaults(file).set(key, value);
    defaults.reload();
  }

  testing::TempDir dir;
  std::filesystem::path file = dir / "defaults.json";
  Defaults defaults{file};
  FakeHotKeyService service;
  NotificationCenter notifications;
  KeyboardShortcuts shortcuts{defaults, service, notifications};
  std::vector<std::string> posted;
  std::vector<std::string> log;
};

TEST_F(ShortcutsWrittenElsewhereTest, ANewStoredShortcutMovesTheHotKeyAndIsAnnounced) {
  writeElsewhere("KeyboardShortcuts_popup", R"({"carbonModifiers":256,"carbonKeyCode":11})");
  EXPECT_EQ(service.grabCount(9, kCmd | kShift), 0);
  EXPECT_EQ(service.grabCount(11, kCmd), 1);
  EXPECT_EQ(posted, std::vector<std::string>{"popup"});
  service.press(11, kCmd);
  EXPECT_EQ(log, std::vector<std::string>{"popup"});
  // Reloading an unchanged file, or our own writes, move nothing again.
  defaults.reload();
  EXPECT_TRUE(shortcuts.setShortcut(kCmdShiftV, Name::popup()));
  EXPECT_EQ(service.grabCount(9, kCmd | kShift), 1);
  EXPECT_EQ(service.grabCount(11, kCmd), 0);
  EXPECT_EQ(posted, (std::vector<std::string>{"popup", "popup"}));
}

TEST_F(ShortcutsWrittenElsewhereTest, ClearedDeletedUnreadableOrRefusedValuesHoldNoHotKeyUntilOneIsAccepted) {
  for (const Defaults::Value& value : {Defaults::Value(false), Defaults::Value("not json"), Defaults::Value(7)}) {
    writeElsewhere("KeyboardShortcuts_popup", kCmdShiftV.toJson());
    ASSERT_EQ(service.grabCount(9, kCmd | kShift), 1) << value.dump();
    writeElsewhere("KeyboardShortcuts_popup", value);
    EXPECT_TRUE(service.grabs().empty()) << value.dump();
    EXPECT_FALSE(shortcuts.isRegistered(kCmdShiftV));
  }
  writeElsewhere("KeyboardShortcuts_popup", kCmdB.toJson());
  Defaults(file).remove("KeyboardShortcuts_popup");
  defaults.reload();
  EXPECT_TRUE(service.grabs().empty());
  EXPECT_EQ(shortcuts.getShortcut(Name::popup()), std::nullopt);
  // A combination another program holds stays stored without effect until the next attempt.
  service.refuse(11, kCmd);
  writeElsewhere("KeyboardShortcuts_popup", kCmdB.toJson());
  EXPECT_TRUE(service.grabs().empty());
  EXPECT_EQ(shortcuts.getShortcut(Name::popup()), kCmdB);
  service.allow(11, kCmd);
  shortcuts.onKeyDown(Name::popup(), [] {});
  EXPECT_EQ(service.grabCount(11, kCmd), 1);
}

TEST_F(ShortcutsWrittenElsewhereTest, ACombinationSharedWithAnotherNameStaysHeldForIt) {
  shortcuts.onKeyDown(kOther, [this] { log.push_back("other"); });
  ASSERT_TRUE(shortcuts.setShortcut(kCmdShiftV, kOther));
  writeElsewhere("KeyboardShortcuts_popup", kCmdB.toJson());
  EXPECT_EQ(service.grabCount(9, kCmd | kShift), 1);
  EXPECT_EQ(service.grabCount(11, kCmd), 1);
  service.press(9, kCmd | kShift);
  service.press(11, kCmd);
  EXPECT_EQ(log, (std::vector<std::string>{"other", "popup"}));
  // Another name's key written elsewhere moves only that name.
  writeElsewhere("KeyboardShortcuts_other", kCmdB.toJson());
  EXPECT_EQ(service.grabCount(9, kCmd | kShift), 0);
  EXPECT_EQ(service.grabCount(11, kCmd), 1);
}

TEST_F(ShortcutsWrittenElsewhereTest, ARecorderShowsTheNewShortcutAndItIsHeldOnlyAfterRecording) {
  RecorderModel recorder(shortcuts, notifications, Name::popup(),
                         ShortcutText([](std::int64_t code) -> std::optional<std::string> {
                           return code == 11 ? std::optional<std::string>("b") : std::nullopt;
                         }),
                         [] { return std::vector<MenuKeyEquivalent>{}; });
  recorder.focusGained();
  writeElsewhere("KeyboardShortcuts_popup", kCmdB.toJson());
  EXPECT_EQ(recorder.text(), "\u2318B");
  EXPECT_TRUE(service.grabs().empty());
  recorder.focusLost();
  EXPECT_EQ(service.grabCount(11, kCmd), 1);
  EXPECT_EQ(service.grabCount(9, kCmd | kShift), 0);
}

}  // namespace
}  // namespace marbrel
