#include "ShortcutsFixture.h"

namespace marbrel {
namespace {

using namespace testing;
using KeyboardShortcutsTest = ShortcutsTest;
using Log = std::vector<std::string>;
constexpr std::int64_t kCmdShift = kCmd | kShift;

TEST_F(KeyboardShortcutsTest, FirstStartStoresThePopupDefaultAndRegistersItUntilGoingAway) {
  shortcuts->createName(Name::popup());
  EXPECT_EQ(defaults.persistentObjectForKey("KeyboardShortcuts_popup"),
            Defaults::Value(R"({"carbonKeyCode":9,"carbonModifiers":768})"));
  EXPECT_EQ(service.grabCount(9, kCmdShift), 1);
  EXPECT_EQ(posted, Log{"popup"});
  shortcuts.reset();
  EXPECT_TRUE(service.grabs().empty());
  EXPECT_FALSE(service.hasHandler());
}

// The first value is the one clearing the shortcut stores.
TEST_F(KeyboardShortcutsTest, ClearedOrUnreadableStoredValuesReadAsNoShortcutAndSurviveARestart) {
  EXPECT_TRUE(shortcuts->setShortcut(std::nullopt, shortcuts->createName(Name::popup())));
  for (const Defaults::Value& value : {Defaults::Value(false), Defaults::Value("not json"), Defaults::Value(5), Defaults::Value(true),
                                       Defaults::Value::object({{"carbonKeyCode", 9}, {"carbonModifiers", 768}})}) {
    if (value != Defaults::Value(false)) defaults.set("KeyboardShortcuts_popup", value);
    restart();
    EXPECT_EQ(shortcuts->getShortcut(shortcuts->createName(Name::popup())), std::nullopt) << value.dump();
    EXPECT_EQ(defaults.persistentObjectForKey("KeyboardShortcuts_popup"), value);
    EXPECT_TRUE(service.grabs().empty());
  }
}

TEST_F(KeyboardShortcutsTest, ChangingAShortcutMovesTheRegistrationAndARefusedOneLeavesEverythingAsItWas) {
  const Name popup = shortcuts->createName(Name::popup());
  service.refuse(11, kCmd);
  EXPECT_FALSE(shortcuts->setShortcut(kCmdB, popup));
  EXPECT_EQ(shortcuts->getShortcut(popup), kCmdShiftV);
  EXPECT_EQ(service.grabCount(9, kCmdShift), 1);
  EXPECT_EQ(posted.size(), 1u);
  service.allow(11, kCmd);
  EXPECT_TRUE(shortcuts->setShortcut(kCmdB, popup));
  EXPECT_TRUE(shortcuts->setShortcut(kCmdB, popup));  // the same again keeps the one registration
  EXPECT_EQ(service.grabCount(9, kCmdShift), 0);
  EXPECT_EQ(service.grabCount(11, kCmd), 1);
  EXPECT_EQ(posted.size(), 3u);
}

// Shortcuts whose key code or modifiers the desktop cannot take are never even tried.
TEST_F(KeyboardShortcutsTest, AStoredShortcutRefusedAtLaunchIsTriedAgainByTheNextActionAndAnImpossibleOneNever) {
  defaults.set("KeyboardShortcuts_popup", kCmdShiftV.toJson());
  service.refuse(9, kCmdShift);
  logPresses(Name::popup(), "popup");
  EXPECT_TRUE(service.grabs().empty());
  service.allow(9, kCmdShift);
  shortcuts->onKeyUp(Name::popup(), [] {});
  service.press(9, kCmdShift);
  EXPECT_EQ(log, Log{"popup"});
  const auto tried = service.attemptedIds().size();
  for (const Shortcut& shortcut : {Shortcut{-1, kCmd}, Shortcut{9, 1LL << 40}, Shortcut{1LL << 33, 0}}) {
    defaults.set("KeyboardShortcuts_weird", shortcut.toJson());
    shortcuts->onKeyDown(Name{"weird", std::nullopt}, [] {});
    EXPECT_FALSE(shortcuts->setShortcut(shortcut, kOther));
  }
  EXPECT_EQ(service.attemptedIds().size(), tried);
}

// A desktop that delivers the shortcut by name (a portal) runs the same actions, that name's only.
TEST_F(KeyboardShortcutsTest, PressAndReleaseRunTheNamesActionsInOrderUnlessPaused) {
  const Name popup = shortcuts->createName(Name::popup());
  logPresses(popup, "down 1");
  logPresses(popup, "down 2");
  shortcuts->onKeyUp(popup, [&] { log.push_back("up"); });
  service.press(9, kCmdShift);
  service.release(9, kCmdShift);
  shortcuts->activate(kOther, HotKeyService::EventKind::pressed);
  shortcuts->activate(popup, HotKeyService::EventKind::released);
  shortcuts->setPaused(true);  // while a recorder records
  shortcuts->activate(popup, HotKeyService::EventKind::pressed);
  EXPECT_EQ(log, (Log{"down 1", "down 2", "up", "up"}));
}

TEST_F(KeyboardShortcutsTest, ActionsMayChangeShortcutsWhileBeingRun) {
  const Name popup = shortcuts->createName(Name::popup());
  shortcuts->onKeyDown(popup, [&] {
    log.push_back("first");
    shortcuts->setShortcut(kCmdB, popup);
    logPresses(popup, "added");
  });
  service.press(9, kCmdShift);
  service.press(11, kCmd);
  EXPECT_EQ(log, (Log{"first", "first", "added"}));
}

// Reloading an unchanged file, or our own writes, move nothing again; an unreadable value holds no
// hot key.
TEST_F(KeyboardShortcutsTest, AShortcutWrittenElsewhereMovesTheHotKeyOnceAndIsAnnounced) {
  logPresses(shortcuts->createName(Name::popup()), "popup");
  posted.clear();
  writeElsewhere("KeyboardShortcuts_popup", R"({"carbonModifiers":256,"carbonKeyCode":11})");
  EXPECT_EQ(service.grabCount(9, kCmdShift), 0);
  EXPECT_EQ(posted, Log{"popup"});
  defaults.reload();
  EXPECT_TRUE(shortcuts->setShortcut(kCmdShiftV, Name::popup()));
  EXPECT_EQ(service.grabCount(9, kCmdShift), 1);
  EXPECT_EQ(service.grabCount(11, kCmd), 0);
  EXPECT_EQ(posted, (Log{"popup", "popup"}));
  writeElsewhere("KeyboardShortcuts_popup", Defaults::Value("not json"));
  EXPECT_TRUE(service.grabs().empty());
}

// While recording, the desktop must not hold our hot keys, or the recorder would not get them.
TEST_F(KeyboardShortcutsTest, RecordingReleasesTheGrabsAndEndingTakesBackWhatIsStillFree) {
  RecorderModel& recording = makeRecorder();
  logPresses(Name::popup(), "popup");
  recording.focusGained();
  EXPECT_TRUE(service.grabs().empty());
  EXPECT_TRUE(shortcuts->isRegistered(kCmdShiftV));
  recording.focusLost();
  recording.focusLost();  // twice takes nothing twice
  EXPECT_EQ(service.grabCount(9, kCmdShift), 1);
  service.press(9, kCmdShift);
  EXPECT_EQ(log, Log{"popup"});
  // A combination another program took meanwhile stays stored without effect.
  recording.focusGained();
  service.refuse(9, kCmdShift);
  recorder.reset();
  EXPECT_TRUE(service.grabs().empty());
  EXPECT_FALSE(shortcuts->isRegistered(kCmdShiftV));
  EXPECT_EQ(shortcuts->getShortcut(Name::popup()), kCmdShiftV);
  shortcuts->setShortcut(kCmdB, Name::popup());  // the recorder left no observer behind
}

}  // namespace
}  // namespace marbrel
