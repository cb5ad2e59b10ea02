#include <gtest/gtest.h>

#include "AppFixture.h"
#include "core/app/PopUpPosition.h"
#include "support/TempDir.h"

namespace marbrel::testing {
namespace {

using Controller = AppFixture;

TEST_F(Controller, TerminationCommitsThePendingChangesAndTheShortcutOutlivesTheCore) {
  TempDir dir;
  storeFile = dir / "MarbrelStorage.sqlite";
  launch();
  copyElsewhere("kept");
  marbrel().history().all().front()->setPin("k");
  ASSERT_TRUE(marbrel().store().hasChanges());
  delegate->applicationWillTerminate();
  delegate.reset();
  hotKeys.press(keycode::v, kCarbonShiftCommand);
  EXPECT_EQ(presenter.openMenu, nullptr);
  const auto reopened = HistoryStore::openReadOnly(storeFile, log);
  ASSERT_EQ(reopened->all().size(), 1u);
  EXPECT_EQ(reopened->all().front()->pin(), std::optional<std::string>("k"));
}

TEST_F(Controller, VisibilityFollowsTheSettingAndTheUser) {
  launch();
  statusItem.userSetsVisible(false);
  EXPECT_FALSE(configuration.showInStatusBar());
  configuration.setShowInStatusBar(true);
  EXPECT_TRUE(statusItem.visible);
}

// As when another program writes a display setting while the menu is open: the open menu goes on
// showing the rows of the query typed, with the same row highlighted, under the new header.
TEST_F(Controller, ADisplaySettingChangedWhileOpenKeepsTheRowsTheQueryAndTheHighlight) {
  launch();
  for (const char* text : {"one", "two", "three"}) copyElsewhere(text);
  presenter.popUp(menu(), {});
  header().setQuery("t", true);
  queue.runUntilIdle();
  menu().selectNext(false);
  // The shell's view keeps the header it showed until the view is gone.
  const MenuItemPtr oldHeader = menu().itemAt(0);
  configuration.setHideFooter(true);
  queue.advance(1);
  EXPECT_NE(menu().itemAt(0), oldHeader);
  EXPECT_TRUE(header().isIntercepting()) << "the new header takes over the open menu's keys";
  EXPECT_EQ(header().query(), "t");
  EXPECT_EQ(shownTitles(), (std::vector<std::string>{"three", "two"}));
  const MenuItemPtr highlighted = menu().highlightedItem();
  ASSERT_TRUE(highlighted);
  EXPECT_EQ(highlighted->title(), "two");
  EXPECT_FALSE(highlighted->isAlternate());
  EXPECT_TRUE(menu().itemWithTag(104)->isHidden());
  presenter.close();
  EXPECT_FALSE(header().isIntercepting());
  // Closed, the menu drops its rows with the fixed parts and builds them at the next opening.
  configuration.setHideFooter(false);
  presenter.popUp(menu(), {});
  EXPECT_EQ(shownTitles(), (std::vector<std::string>{"three", "two", "one"}));
}

TEST_F(Controller, CaptureWaitsWhileTheMenuOrAnAlertIsOpenAndCatchesUpAtTheNextTick) {
  launch();
  bool suspendedDuringAlert = false;
  alerts.whileShown = [&] {
    suspendedDuringAlert = marbrel().clipboard().isSuspended();
    pasteboard.copyText("during the alert");
    queue.advance(3);
  };
  presenter.popUp(menu(), {});
  footerItem(101).performAction();
  EXPECT_TRUE(suspendedDuringAlert);
  queue.advance(3);  // the alert is gone but the menu is still open
  EXPECT_EQ(marbrel().store().count(), 0u);
  presenter.close();
  EXPECT_FALSE(marbrel().isCaptureSuspended());
  queue.advance(1);
  EXPECT_EQ(marbrel().store().count(), 1u);

  suspendedDuringAlert = false;
  footerItem(106).performAction();
  EXPECT_TRUE(suspendedDuringAlert) << "an alert outside the menu";
  EXPECT_FALSE(marbrel().clipboard().isSuspended());
}

// Clear keeps the pinned entries, Clear All none; both ask first, Cancel the default button, and
// only the second button deletes, from the store at once and from the menu.
TEST_F(Controller, FooterCommandsClearOnlyOnceConfirmedAndOpenOrQuitWhatTheyName) {
  launch();
  for (const char* text : {"one", "two", "pinned"}) copyElsewhere(text);
  marbrel().history().all().front()->setPin("a");
  marbrel().store().saveContext();
  presenter.popUp(menu(), {});  // opened once, the menu holds rows for every entry
  presenter.close();
  for (const int answer : {Alerts::kFirstButtonReturn, 1002}) {
    alerts.answer = answer;
    footerItem(101).performAction();
    footerItem(106).performAction();
  }
  EXPECT_EQ(marbrel().store().count(), 3u);
  EXPECT_EQ(menu().historyItems().size(), 6u);
  alerts.answer = Alerts::kSecondButtonReturn;
  footerItem(101).performAction();
  EXPECT_EQ(alerts.shown.back().informativeKey, "clear_confirm_text");
  EXPECT_EQ(alerts.shown.back().buttonKeys.front(), "cancel") << "the default button deletes nothing";
  ASSERT_EQ(marbrel().store().count(), 1u);
  EXPECT_TRUE(marbrel().history().all().front()->isPinned());
  ASSERT_EQ(menu().historyItems().size(), 2u);
  EXPECT_TRUE(menu().historyItems()[0]->isPinned() && menu().historyItems()[1]->isPinned());
  EXPECT_FALSE(marbrel().store().hasChanges()) << "every removal is committed";
  footerItem(106).performAction();
  EXPECT_EQ(alerts.shown.back().informativeKey, "clear_all_confirm_text");
  EXPECT_EQ(marbrel().store().count(), 0u);
  EXPECT_EQ(menu().size(), 7u);

  EXPECT_EQ(std::tuple(preferences.showCount, about.openCount, application.stopCount), std::tuple(0, 0, 0));
  for (const int tag : {107, 103, 104}) footerItem(tag).performAction();
  EXPECT_EQ(std::tuple(preferences.showCount, about.openCount, application.stopCount), std::tuple(1, 1, 1));
  EXPECT_EQ(alerts.shown.size(), 6u) << "none of them asks";
}

TEST(PopUpPositionRules, EachSettingPicksItsPoint) {
  // A 300 x 400 menu; the pointer at (2100, 500) on the right-hand of two 1440 x 900 screens, the
  // status item's window at the top right of the left one.
  PopUpPosition::Context context{{2100, 500}, {}, {}, {300, 400}};
  const ScreenRect left{{0, 0}, {1440, 900}}, right{{1440, 200}, {1440, 900}}, icon{{1200, 876}, {24, 24}};
  struct Row { const char* why; std::string setting; std::optional<ScreenRect> screen, statusItem; std::optional<ScreenPoint> expected; };
  const Row rows[] = {
      {"centred on a screen away from the origin: its origin counts", "center", right, icon,
       ScreenPoint{1440 + 570, 200 + 650}},
      {"no screen: nothing opens", "center", std::nullopt, icon, std::nullopt},
      {"at the pointer", "cursor", left, icon, ScreenPoint{2100, 500}},
      {"at the status item window's bottom-left corner", "statusItem", left, icon, ScreenPoint{1200, 876}},
      {"a tray that tells no geometry: at the pointer, as a click on the icon", "statusItem", left,
       std::nullopt, ScreenPoint{2100, 500}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.why);
    context.mainScreenFrame = row.screen;
    context.statusItemWindowFrame = row.statusItem;
    EXPECT_EQ(PopUpPosition::locate(row.setting, context), row.expected);
  }
}

}  // namespace
}  // namespace marbrel::testing
