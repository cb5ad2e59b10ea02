#include <functional>

#include <gtest/gtest.h>

#include "AppFixture.h"
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

TEST_F(Controller, VisibilityFollowsTheSettingAndTheUserWithoutLoops) {
  launch();
  int settingChanges = 0;
  defaults.observe("showInStatusBar", [&](const Defaults::Value&) { ++settingChanges; });
  const int setsAtStart = statusItem.setVisibleCalls;
  statusItem.userSetsVisible(false);
  EXPECT_FALSE(configuration.showInStatusBar());
  EXPECT_EQ(statusItem.setVisibleCalls, setsAtStart) << "the item already shows the new value";
  configuration.setShowInStatusBar(true);
  EXPECT_TRUE(statusItem.visible);
  // Values already in place cause no writes either way.
  configuration.setShowInStatusBar(true);
  statusItem.userSetsVisible(true);
  EXPECT_EQ(settingChanges, 2);
  EXPECT_EQ(statusItem.setVisibleCalls, setsAtStart + 1);
}

TEST_F(Controller, ADisplaySettingChangeRebuildsTheFixedPartsAtOnce) {
  launch();
  copyElsewhere("one");
  copyElsewhere("two");
  presenter.popUp(menu(), {});
  presenter.close();
  ASSERT_EQ(menu().size(), 11u);
  SearchHeader* before = &header();
  configuration.setHideSearch(true);
  EXPECT_EQ(menu().size(), 7u) << "history rows come back at the next opening";
  EXPECT_NE(&header(), before);
  EXPECT_EQ(header().height(), 1);
  EXPECT_TRUE(header().layout().constraints.empty());
  configuration.setHideFooter(true);
  for (std::size_t i = 1; i < menu().size(); ++i) EXPECT_TRUE(menu().itemAt(i)->isHidden());
  EXPECT_FALSE(menu().itemWithTag(106)->isAlternate());
  const std::size_t revision = menu().revision();
  configuration.setPasteByDefault(false);
  EXPECT_GT(menu().revision(), revision);
  presenter.popUp(menu(), {});
  EXPECT_EQ(shownTitles(), (std::vector<std::string>{"two", "one"}));
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
  const struct {
    const char* setting;
    std::function<void()> change;
  } changes[] = {
      {"hideFooter", [&] { configuration.setHideFooter(true); }},
      {"hideTitle", [&] { configuration.setHideTitle(false); }},
      {"pasteByDefault", [&] { configuration.setPasteByDefault(false); }},
      {"hideSearch", [&] { configuration.setHideSearch(true); }},
  };
  for (const auto& change : changes) {
    SCOPED_TRACE(change.setting);
    // The shell's view keeps the header it showed until the view is gone.
    const MenuItemPtr oldHeader = menu().itemAt(0);
    change.change();
    queue.advance(1);
    EXPECT_NE(menu().itemAt(0), oldHeader);
    EXPECT_TRUE(header().isIntercepting()) << "the new header takes over the open menu's keys";
    EXPECT_EQ(header().query(), "t");
    EXPECT_EQ(shownTitles(), (std::vector<std::string>{"three", "two"}));
    const MenuItemPtr highlighted = menu().highlightedItem();
    ASSERT_TRUE(highlighted);
    EXPECT_EQ(highlighted->title(), "two");
    EXPECT_FALSE(highlighted->isAlternate());
  }
  EXPECT_TRUE(header().layout().showsTitle);
  EXPECT_TRUE(menu().itemWithTag(104)->isHidden());
  presenter.close();
  EXPECT_FALSE(header().isIntercepting());
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
  marbrel().menuItemAction(footerItem(101));
  EXPECT_TRUE(suspendedDuringAlert);
  queue.advance(3);  // the alert is gone but the menu is still open
  EXPECT_EQ(marbrel().store().count(), 0u);
  presenter.close();
  EXPECT_FALSE(marbrel().isCaptureSuspended());
  queue.advance(1);
  EXPECT_EQ(marbrel().store().count(), 1u);

  suspendedDuringAlert = false;
  marbrel().menuItemAction(footerItem(106));
  EXPECT_TRUE(suspendedDuringAlert) << "an alert outside the menu";
  EXPECT_FALSE(marbrel().clipboard().isSuspended());
}

}  // namespace
}  // namespace marbrel::testing
