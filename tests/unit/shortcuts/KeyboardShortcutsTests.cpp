#include "ShortcutsFixture.h"

namespace marbrel {
namespace {

using testing::kCmd;
using testing::kCmdB;
using testing::kCmdShiftV;
using testing::kOther;
using testing::kShift;
using Log = std::vector<std::string>;

class KeyboardShortcutsTest : public testing::ShortcutsTest {};

TEST_F(KeyboardShortcutsTest, FirstStartStoresThePopupDefaultAndRegistersItBeforeAnyAction) {
  const Name popup = shortcuts->createName(Name::popup());
  EXPECT_EQ(defaults.persistentObjectForKey("KeyboardShortcuts_popup"),
            Defaults::Value(R"({"carbonKeyCode":9,"carbonModifiers":768})"));
  EXPECT_EQ(shortcuts->getShortcut(popup), kCmdShiftV);
  ASSERT_EQ(service.grabCount(9, 768), 1);
  EXPECT_EQ(service.grabs()[0].id.id, 1u);
  EXPECT_TRUE(service.hasHandler());
  EXPECT_EQ(posted, Log{"popup"});
}

TEST_F(KeyboardShortcutsTest, AClearedShortcutStaysClearedAfterARestart) {
  const Name popup = shortcuts->createName(Name::popup());
  EXPECT_TRUE(shortcuts->setShortcut(std::nullopt, popup));
  EXPECT_EQ(defaults.persistentObjectForKey("KeyboardShortcuts_popup"), Defaults::Value(false));
  EXPECT_TRUE(service.grabs().empty());
  restart();
  shortcuts->createName(Name::popup());
  shortcuts->onKeyDown(popup, [] {});
  EXPECT_EQ(shortcuts->getShortcut(popup), std::nullopt);
  EXPECT_TRUE(service.grabs().empty());
  posted.clear();
  EXPECT_TRUE(shortcuts->setShortcut(std::nullopt, popup));
  EXPECT_TRUE(posted.empty()) << "clearing what is clear changes nothing";
}

TEST_F(KeyboardShortcutsTest, UnreadableStoredValuesReadAsNoShortcutAndAreNotReplacedByTheDefault) {
  for (const Defaults::Value& value : {Defaults::Value("not json"), Defaults::Value(5), Defaults::Value(true),
                                       Defaults::Value::object({{"carbonKeyCode", 9}, {"carbonModifiers", 768}})}) {
    defaults.set("KeyboardShortcuts_popup", value);
    EXPECT_EQ(shortcuts->createName(Name::popup()).rawValue, "popup");
    EXPECT_EQ(shortcuts->getShortcut(Name::popup()), std::nullopt) << value.dump();
    EXPECT_EQ(defaults.persistentObjectForKey("KeyboardShortcuts_popup"), value);
  }
  EXPECT_TRUE(service.attemptedIds().empty());
}

TEST_F(KeyboardShortcutsTest, ChangingAShortcutMovesTheRegistrationAndARefusedOneLeavesEverythingAsItWas) {
  const Name popup = shortcuts->createName(Name::popup());
  service.refuse(11, kCmd);
  posted.clear();
  EXPECT_FALSE(shortcuts->setShortcut(kCmdB, popup));
  EXPECT_EQ(shortcuts->getShortcut(popup), kCmdShiftV);
  EXPECT_EQ(service.grabCount(9, kCmd | kShift), 1);
  EXPECT_FALSE(shortcuts->isRegistered(kCmdB));
  EXPECT_TRUE(posted.empty());
  service.allow(11, kCmd);
  EXPECT_TRUE(shortcuts->setShortcut(kCmdB, popup));
  EXPECT_EQ(service.grabCount(9, kCmd | kShift), 0);
  EXPECT_EQ(service.grabCount(11, kCmd), 1);
  EXPECT_FALSE(shortcuts->isRegistered(kCmdShiftV));
  EXPECT_EQ(service.grabs()[0].id.id, 3u) << "the refused attempt used up its id";
  EXPECT_TRUE(shortcuts->setShortcut(kCmdB, popup));
  EXPECT_EQ(service.grabCount(11, kCmd), 1) << "the same shortcut again keeps the one registration";
  EXPECT_EQ(posted.size(), 2u);
}

TEST_F(KeyboardShortcutsTest, AStoredShortcutRefusedAtLaunchIsTriedAgainByTheNextAction) {
  defaults.set("KeyboardShortcuts_popup", kCmdShiftV.toJson());
  service.refuse(9, kCmd | kShift);
  logPresses(Name::popup(), "popup");
  EXPECT_TRUE(service.grabs().empty());
  service.allow(9, kCmd | kShift);
  shortcuts->onKeyUp(Name::popup(), [] {});
  EXPECT_EQ(service.grabCount(9, kCmd | kShift), 1);
  service.press(9, kCmd | kShift);
  EXPECT_EQ(log, Log{"popup"});
}

TEST_F(KeyboardShortcutsTest, KeyCodesAndModifiersOutsideTheServiceRangeAreNeverRegistered) {
  for (const Shortcut& shortcut : {Shortcut{-1, kCmd}, Shortcut{9, 1LL << 40}, Shortcut{1LL << 33, 0}}) {
    defaults.set("KeyboardShortcuts_weird", shortcut.toJson());
    shortcuts->onKeyDown(Name{"weird", std::nullopt}, [] {});
    EXPECT_FALSE(shortcuts->setShortcut(shortcut, kOther));
  }
  EXPECT_TRUE(service.attemptedIds().empty());
}

TEST_F(KeyboardShortcutsTest, PressAndReleaseRunTheNamesActionsInOrderUnlessPaused) {
  const Name popup = shortcuts->createName(Name::popup());
  logPresses(popup, "down 1");
  logPresses(popup, "down 2");
  shortcuts->onKeyUp(popup, [&] { log.push_back("up"); });
  EXPECT_EQ(service.press(9, kCmd | kShift), 1);
  EXPECT_EQ(service.release(9, kCmd | kShift), 1);
  EXPECT_EQ(service.grabCount(9, kCmd | kShift), 1);
  // A desktop that delivers the shortcut by name (a portal) runs the same actions, that name's only.
  shortcuts->activate(popup, HotKeyService::EventKind::pressed);
  shortcuts->activate(kOther, HotKeyService::EventKind::pressed);
  shortcuts->activate(popup, HotKeyService::EventKind::released);
  EXPECT_EQ(log, (Log{"down 1", "down 2", "up", "down 1", "down 2", "up"}));
  log.clear();
  shortcuts->setPaused(true);
  service.press(9, kCmd | kShift);
  service.release(9, kCmd | kShift);
  shortcuts->activate(popup, HotKeyService::EventKind::pressed);
  EXPECT_TRUE(log.empty());
  shortcuts->setPaused(false);
  service.press(9, kCmd | kShift);
  EXPECT_EQ(log.size(), 2u);
}

TEST_F(KeyboardShortcutsTest, OneCombinationSharedByTwoNamesIsRegisteredOnceAndRunsBoth) {
  const Name popup = shortcuts->createName(Name::popup());
  logPresses(popup, "popup");
  logPresses(kOther, "other");
  EXPECT_TRUE(shortcuts->setShortcut(kCmdShiftV, kOther));
  EXPECT_EQ(service.grabCount(9, kCmd | kShift), 1);
  service.press(9, kCmd | kShift);
  EXPECT_EQ(log, (Log{"popup", "other"}));
  // Moving one name away, here or in the settings file, keeps the combination for the other.
  EXPECT_TRUE(shortcuts->setShortcut(kCmdB, kOther));
  log.clear();
  service.press(9, kCmd | kShift);
  service.press(11, kCmd);
  EXPECT_EQ(log, (Log{"popup", "other"}));
  writeElsewhere("KeyboardShortcuts_popup", kCmdB.toJson());
  writeElsewhere("KeyboardShortcuts_other", kCmdShiftV.toJson());
  EXPECT_EQ(service.grabCount(9, kCmd | kShift), 1);
  EXPECT_EQ(service.grabCount(11, kCmd), 1);
  log.clear();
  service.press(9, kCmd | kShift);
  service.press(11, kCmd);
  EXPECT_EQ(log, (Log{"other", "popup"}));
}

TEST_F(KeyboardShortcutsTest, EventsThatAreNotOursAreLeftForOthers) {
  logPresses(shortcuts->createName(Name::popup()), "popup");
  using Event = HotKeyService::Event;
  EXPECT_FALSE(service.deliver(Event{{0x41424344, 1}, HotKeyService::EventKind::pressed}));
  EXPECT_FALSE(service.deliver(Event{{KeyboardShortcuts::kSignature, 99}, HotKeyService::EventKind::pressed}));
  EXPECT_FALSE(service.deliver(Event{{KeyboardShortcuts::kSignature, 1}, static_cast<HotKeyService::EventKind>(7)}));
  EXPECT_TRUE(log.empty());
  EXPECT_TRUE(service.deliver(Event{{KeyboardShortcuts::kSignature, 1}, HotKeyService::EventKind::pressed}));
  EXPECT_EQ(log.size(), 1u);
}

TEST_F(KeyboardShortcutsTest, ActionsMayChangeShortcutsWhileBeingRun) {
  const Name popup = shortcuts->createName(Name::popup());
  shortcuts->onKeyDown(popup, [&] {
    log.push_back("first");
    shortcuts->setShortcut(kCmdB, popup);
    logPresses(popup, "added");
  });
  service.press(9, kCmd | kShift);
  EXPECT_EQ(log, Log{"first"});
  service.press(11, kCmd);
  EXPECT_EQ(log, (Log{"first", "first", "added"}));
}

TEST_F(KeyboardShortcutsTest, SystemReservedListSkipsDisabledEntriesAndKeepsOnlyKnownModifiers) {
  service.setReserved({{49, kCmd, true}, {50, kCmd | 0x4000, true}, {3, kCmd, false}});
  EXPECT_EQ(shortcuts->systemReservedShortcuts(), (std::vector<Shortcut>{{49, kCmd}, {50, kCmd}}));
}

TEST_F(KeyboardShortcutsTest, GoingAwayReleasesEveryRegistrationAndTheHandler) {
  shortcuts->createName(Name::popup());
  shortcuts.reset();
  EXPECT_TRUE(service.grabs().empty());
  EXPECT_FALSE(service.hasHandler());
}

// A shortcut written to the settings file by another process.
TEST_F(KeyboardShortcutsTest, AShortcutWrittenElsewhereMovesTheHotKeyOnceAndIsAnnounced) {
  logPresses(shortcuts->createName(Name::popup()), "popup");
  posted.clear();
  writeElsewhere("KeyboardShortcuts_popup", R"({"carbonModifiers":256,"carbonKeyCode":11})");
  EXPECT_EQ(service.grabCount(9, kCmd | kShift), 0);
  EXPECT_EQ(service.grabCount(11, kCmd), 1);
  EXPECT_EQ(posted, Log{"popup"});
  service.press(11, kCmd);
  EXPECT_EQ(log, Log{"popup"});
  // Reloading an unchanged file, or our own writes, move nothing again.
  defaults.reload();
  EXPECT_TRUE(shortcuts->setShortcut(kCmdShiftV, Name::popup()));
  EXPECT_EQ(service.grabCount(9, kCmd | kShift), 1);
  EXPECT_EQ(service.grabCount(11, kCmd), 0);
  EXPECT_EQ(posted, (Log{"popup", "popup"}));
}

TEST_F(KeyboardShortcutsTest, ClearedDeletedUnreadableOrRefusedValuesWrittenElsewhereHoldNoHotKey) {
  shortcuts->createName(Name::popup());
  for (const Defaults::Value& value : {Defaults::Value(false), Defaults::Value("not json"), Defaults::Value(7)}) {
    writeElsewhere("KeyboardShortcuts_popup", kCmdShiftV.toJson());
    ASSERT_EQ(service.grabCount(9, kCmd | kShift), 1) << value.dump();
    writeElsewhere("KeyboardShortcuts_popup", value);
    EXPECT_TRUE(service.grabs().empty()) << value.dump();
    EXPECT_FALSE(shortcuts->isRegistered(kCmdShiftV));
  }
  writeElsewhere("KeyboardShortcuts_popup", kCmdB.toJson());
  Defaults(file).remove("KeyboardShortcuts_popup");
  defaults.reload();
  EXPECT_TRUE(service.grabs().empty());
  EXPECT_EQ(shortcuts->getShortcut(Name::popup()), std::nullopt);
  // A combination another program holds stays stored without effect.
  service.refuse(11, kCmd);
  writeElsewhere("KeyboardShortcuts_popup", kCmdB.toJson());
  EXPECT_TRUE(service.grabs().empty());
  EXPECT_EQ(shortcuts->getShortcut(Name::popup()), kCmdB);
}

// While a recorder records, the desktop must not hold our hot keys, or the recorder would never
// receive the combination that is the shortcut already (pressing it would pop the menu up).
TEST_F(KeyboardShortcutsTest, RecordingReleasesTheGrabsAndEndingTakesThemBackUnderTheSameIds) {
  RecorderModel& recording = makeRecorder();
  logPresses(Name::popup(), "popup");
  const auto id = service.grabs().at(0).id;
  recording.focusGained();
  EXPECT_TRUE(service.grabs().empty());
  EXPECT_EQ(service.press(9, kCmd | kShift), 0);
  EXPECT_TRUE(shortcuts->isRegistered(kCmdShiftV));
  recording.focusLost();
  ASSERT_EQ(service.grabCount(9, kCmd | kShift), 1);
  EXPECT_EQ(service.grabs()[0].id.id, id.id);
  EXPECT_EQ(service.grabs()[0].id.signature, id.signature);
  service.press(9, kCmd | kShift);
  EXPECT_EQ(log, Log{"popup"});
  // Losing the focus twice, or going away after recording ended, takes nothing twice.
  recording.focusLost();
  recorder.reset();
  EXPECT_EQ(service.grabCount(9, kCmd | kShift), 1);
  // A shortcut cleared while recording leaves nothing to take back.
  makeRecorder().focusGained();
  recorder->keyDown(51, 0, "");  // Delete
  recorder->focusLost();
  EXPECT_TRUE(service.grabs().empty());
}

TEST_F(KeyboardShortcutsTest, TheCurrentShortcutCanBeRecordedAgainAndANewOneIsHeldOnlyAfterRecording) {
  RecorderModel& recording = makeRecorder();
  logPresses(Name::popup(), "popup");
  recording.focusGained();
  RecorderResponse response = recording.keyDown(9, cocoa_flags::kCommand | cocoa_flags::kShift, "v");
  EXPECT_FALSE(response.alert);
  EXPECT_TRUE(response.resignFocus);
  EXPECT_EQ(shortcuts->getShortcut(Name::popup()), kCmdShiftV);
  EXPECT_EQ(service.grabCount(9, kCmd | kShift), 1);

  recording.focusGained();
  // Changing a shortcut while recording checks that the desktop accepts it but does not hold it.
  EXPECT_TRUE(shortcuts->setShortcut(kCmdB, kOther));
  EXPECT_TRUE(service.grabs().empty());
  response = recording.keyDown(11, cocoa_flags::kCommand, "b");
  EXPECT_FALSE(response.alert);
  EXPECT_EQ(service.grabCount(11, kCmd), 1);
  EXPECT_EQ(service.grabCount(9, kCmd | kShift), 0);
  service.press(11, kCmd);
  EXPECT_EQ(log, Log{"popup"});
  // A shortcut written elsewhere while recording shows at once and is held once recording ends.
  recording.focusGained();
  writeElsewhere("KeyboardShortcuts_popup", kCmdShiftV.toJson());
  EXPECT_EQ(recording.text(), "\u21E7\u2318V");
  EXPECT_TRUE(service.grabs().empty());
  recording.focusLost();
  EXPECT_EQ(service.grabCount(9, kCmd | kShift), 1);
}

TEST_F(KeyboardShortcutsTest, ACombinationTakenByAnotherProgramDuringRecordingStaysStoredWithoutEffect) {
  RecorderModel& recording = makeRecorder();
  recording.focusGained();
  service.refuse(9, kCmd | kShift);
  recording.focusLost();
  EXPECT_TRUE(service.grabs().empty());
  EXPECT_FALSE(shortcuts->isRegistered(kCmdShiftV));
  EXPECT_EQ(shortcuts->getShortcut(Name::popup()), kCmdShiftV) << "still stored, without effect";
}

}  // namespace
}  // namespace marbrel
