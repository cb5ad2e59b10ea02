#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "TestShortcuts.h"
#include "core/config/Defaults.h"
#include "core/platform/NotificationCenter.h"
#include "core/shortcuts/KeyboardShortcuts.h"
#include "fakes/FakeHotKeyService.h"

namespace marbrel {
namespace {

using testing::kCmd;
using testing::kShift;
using testing::kCmdShiftV;
using testing::kCmdB;
using testing::kOther;

class KeyboardShortcutsTest : public ::testing::Test {
 protected:
  KeyboardShortcutsTest() {
    testing::recordShortcutChanges(notifications, posted);
  }
  void restart() { shortcuts = std::make_unique<KeyboardShortcuts>(defaults, service, notifications); }

  Defaults defaults{""};
  FakeHotKeyService service;
  NotificationCenter notifications;
  std::unique_ptr<KeyboardShortcuts> shortcuts = std::make_unique<KeyboardShortcuts>(defaults, service, notifications);
  std::vector<std::string> posted;
};

TEST_F(KeyboardShortcutsTest, FirstStartStoresThePopupDefaultAndRegistersItBeforeAnyAction) {
  const Name popup = shortcuts->createName(Name::popup());
  EXPECT_EQ(defaults.persistentObjectForKey("KeyboardShortcuts_popup"),
            Defaults::Value(R"({"carbonKeyCode":9,"carbonModifiers":768})"));
  EXPECT_EQ(shortcuts->getShortcut(popup), kCmdShiftV);
  ASSERT_EQ(service.grabCount(9, 768), 1);
  EXPECT_EQ(service.grabs()[0].id.signature, 0x5452484Bu);  // "TRHK"
  EXPECT_EQ(service.grabs()[0].id.id, 1u);
  EXPECT_TRUE(service.hasHandler());
  EXPECT_EQ(posted, std::vector<std::string>{"popup"});
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
  // Clearing what is already clear changes and posts nothing.
  posted.clear();
  EXPECT_TRUE(shortcuts->setShortcut(std::nullopt, popup));
  EXPECT_TRUE(posted.empty());
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

TEST_F(KeyboardShortcutsTest, ChangingAShortcutMovesTheRegistration) {
  const Name popup = shortcuts->createName(Name::popup());
  EXPECT_TRUE(shortcuts->setShortcut(kCmdB, popup));
  EXPECT_EQ(service.grabCount(9, kCmd | kShift), 0);
  EXPECT_EQ(service.grabCount(11, kCmd), 1);
  EXPECT_FALSE(shortcuts->isRegistered(kCmdShiftV));
  EXPECT_EQ(service.grabs()[0].id.id, 2u);
  // Setting the same shortcut again keeps the one registration.
  EXPECT_TRUE(shortcuts->setShortcut(kCmdB, popup));
  EXPECT_EQ(service.grabCount(11, kCmd), 1);
  EXPECT_EQ(posted.size(), 3u);
}

TEST_F(KeyboardShortcutsTest, ARefusedRegistrationLeavesEverythingAsItWas) {
  const Name popup = shortcuts->createName(Name::popup());
  service.refuse(11, kCmd);
  posted.clear();
  EXPECT_FALSE(shortcuts->setShortcut(kCmdB, popup));
  EXPECT_EQ(shortcuts->getShortcut(popup), kCmdShiftV);
  EXPECT_EQ(service.grabCount(9, kCmd | kShift), 1);
  EXPECT_FALSE(shortcuts->isRegistered(kCmdB));
  EXPECT_TRUE(posted.empty());
  // The refused attempt used up its id.
  service.allow(11, kCmd);
  EXPECT_TRUE(shortcuts->setShortcut(kCmdB, popup));
  EXPECT_EQ(service.grabs()[0].id.id, 3u);
}

TEST_F(KeyboardShortcutsTest, AStoredShortcutRefusedAtLaunchIsTriedAgainByTheNextAction) {
  defaults.set("KeyboardShortcuts_popup", kCmdShiftV.toJson());
  service.refuse(9, kCmd | kShift);
  int runs = 0;
  shortcuts->onKeyDown(Name::popup(), [&] { ++runs; });
  EXPECT_TRUE(service.grabs().empty());
  service.allow(9, kCmd | kShift);
  shortcuts->onKeyUp(Name::popup(), [] {});
  EXPECT_EQ(service.grabCount(9, kCmd | kShift), 1);
  service.press(9, kCmd | kShift);
  EXPECT_EQ(runs, 1);
}

TEST_F(KeyboardShortcutsTest, KeyCodesAndModifiersOutsideTheServiceRangeAreNeverRegistered) {
  for (const Shortcut& shortcut : {Shortcut{-1, kCmd}, Shortcut{9, 1LL << 40}, Shortcut{1LL << 33, 0}}) {
    defaults.set("KeyboardShortcuts_weird", shortcut.toJson());
    shortcuts->onKeyDown(Name{"weird", std::nullopt}, [] {});
    EXPECT_FALSE(shortcuts->setShortcut(shortcut, kOther));
  }
  EXPECT_TRUE(service.grabs().empty());
  EXPECT_EQ(service.attemptedIds().size(), 0u);
}

TEST_F(KeyboardShortcutsTest, PressAndReleaseRunTheNamesActionsInOrderUnlessPaused) {
  const Name popup = shortcuts->createName(Name::popup());
  std::vector<std::string> log;
  shortcuts->onKeyDown(popup, [&] { log.push_back("down 1"); });
  shortcuts->onKeyDown(popup, [&] { log.push_back("down 2"); });
  shortcuts->onKeyUp(popup, [&] { log.push_back("up"); });
  EXPECT_EQ(service.press(9, kCmd | kShift), 1);
  EXPECT_EQ(service.release(9, kCmd | kShift), 1);
  EXPECT_EQ(log, (std::vector<std::string>{"down 1", "down 2", "up"}));
  EXPECT_EQ(service.grabCount(9, kCmd | kShift), 1);
  // A desktop that delivers the shortcut by name (a portal) runs the same actions, that name's only.
  shortcuts->activate(popup, HotKeyService::EventKind::pressed);
  shortcuts->activate(kOther, HotKeyService::EventKind::pressed);
  shortcuts->activate(popup, HotKeyService::EventKind::released);
  EXPECT_EQ(log, (std::vector<std::string>{"down 1", "down 2", "up", "down 1", "down 2", "up"}));
  log.clear();
  shortcuts->setPaused(true);
  service.press(9, kCmd | kShift);
  service.release(9, kCmd | kShift);
  shortcuts->activate(popup, HotKeyService::EventKind::pressed);
  EXPECT_EQ(log.size(), 0u);
  shortcuts->setPaused(false);
  service.press(9, kCmd | kShift);
  EXPECT_EQ(log.size(), 2u);
}

TEST_F(KeyboardShortcutsTest, OneCombinationSharedByTwoNamesIsRegisteredOnceAndRunsBoth) {
  const Name popup = shortcuts->createName(Name::popup());
  std::vector<std::string> log;
  shortcuts->onKeyDown(popup, [&] { log.push_back("popup"); });
  shortcuts->onKeyDown(kOther, [&] { log.push_back("other"); });
  EXPECT_TRUE(shortcuts->setShortcut(kCmdShiftV, kOther));
  EXPECT_EQ(service.grabCount(9, kCmd | kShift), 1);
  service.press(9, kCmd | kShift);
  EXPECT_EQ(log, (std::vector<std::string>{"popup", "other"}));
  // Moving one name away keeps the combination working for the other.
  EXPECT_TRUE(shortcuts->setShortcut(kCmdB, kOther));
  log.clear();
  service.press(9, kCmd | kShift);
  service.press(11, kCmd);
  EXPECT_EQ(log, (std::vector<std::string>{"popup", "other"}));
}

TEST_F(KeyboardShortcutsTest, EventsThatAreNotOursAreLeftForOthers) {
  const Name popup = shortcuts->createName(Name::popup());
  int runs = 0;
  shortcuts->onKeyDown(popup, [&] { ++runs; });
  using Event = HotKeyService::Event;
  EXPECT_FALSE(service.deliver(Event{{0x41424344, 1}, HotKeyService::EventKind::pressed}));
  EXPECT_FALSE(service.deliver(Event{{KeyboardShortcuts::kSignature, 99}, HotKeyService::EventKind::pressed}));
  EXPECT_FALSE(service.deliver(Event{{KeyboardShortcuts::kSignature, 1}, static_cast<HotKeyService::EventKind>(7)}));
  EXPECT_EQ(runs, 0);
  EXPECT_TRUE(service.deliver(Event{{KeyboardShortcuts::kSignature, 1}, HotKeyService::EventKind::pressed}));
  EXPECT_EQ(runs, 1);
}

TEST_F(KeyboardShortcutsTest, ActionsMayChangeShortcutsWhileBeingRun) {
  const Name popup = shortcuts->createName(Name::popup());
  int runs = 0;
  shortcuts->onKeyDown(popup, [&] {
    ++runs;
    shortcuts->setShortcut(kCmdB, popup);
    shortcuts->onKeyDown(popup, [&] { runs += 10; });
  });
  service.press(9, kCmd | kShift);
  EXPECT_EQ(runs, 1);
  service.press(11, kCmd);
  EXPECT_EQ(runs, 12);
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

}  // namespace
}  // namespace marbrel
