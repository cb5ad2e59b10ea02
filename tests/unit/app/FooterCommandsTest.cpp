#include <gtest/gtest.h>

#include "AppFixture.h"

namespace marbrel::testing {
namespace {

class FooterCommands : public AppFixture {
 protected:
  FooterCommands() {
    launch();
    copyElsewhere("one");
    copyElsewhere("two");
    copyElsewhere("pinned");
    marbrel().history().all().front()->setPin("a");
    marbrel().store().saveContext();
    // Open and close once so the menu holds rows for every entry.
    presenter.popUp(menu(), {});
    presenter.close();
  }
  std::size_t pinnedRows() const {
    std::size_t count = 0;
    for (const auto& row : menu().historyItems()) count += row->isPinned() ? 1 : 0;
    return count;
  }
};

TEST_F(FooterCommands, ClearAsksFirstAndKeepsPinnedEntriesInStoreAndMenu) {
  alerts.answer = Alerts::kSecondButtonReturn;
  marbrel().menuItemAction(footerItem(101));
  ASSERT_EQ(alerts.shown.size(), 1u);
  const Alerts::Alert& alert = alerts.shown[0];
  EXPECT_EQ(alert.messageKey, "confirm");
  EXPECT_EQ(alert.informativeKey, "clear_confirm_text");
  EXPECT_EQ(alert.style, Alerts::Style::warning);
  EXPECT_EQ(alert.buttonKeys, (std::vector<std::string>{"cancel", "ok"}));

  ASSERT_EQ(marbrel().store().count(), 1u);
  EXPECT_TRUE(marbrel().history().all().front()->isPinned());
  EXPECT_EQ(menu().historyItems().size(), 2u);
  EXPECT_EQ(pinnedRows(), 2u);
  EXPECT_FALSE(marbrel().store().hasChanges()) << "every removal is committed";
}

TEST_F(FooterCommands, ClearAllRemovesPinnedEntriesTooButOnlyOnceConfirmed) {
  for (const int answer : {Alerts::kFirstButtonReturn, 1002}) {
    alerts.answer = answer;
    marbrel().menuItemAction(footerItem(101));
    marbrel().menuItemAction(footerItem(106));
  }
  EXPECT_EQ(marbrel().store().count(), 3u);
  EXPECT_EQ(menu().historyItems().size(), 6u);

  alerts.answer = Alerts::kSecondButtonReturn;
  marbrel().menuItemAction(footerItem(106));
  ASSERT_EQ(alerts.shown.size(), 5u);
  EXPECT_EQ(alerts.shown.back().informativeKey, "clear_all_confirm_text");
  EXPECT_EQ(marbrel().store().count(), 0u);
  EXPECT_TRUE(menu().historyItems().empty());
  EXPECT_EQ(menu().size(), 7u);
}

TEST_F(FooterCommands, PreferencesAboutAndQuitReachTheirPortsAndOtherTagsDoNothing) {
  for (const int tag : {100, 102, 105, 0, -1}) {
    MenuItem stray("stray");
    stray.setTag(tag);
    marbrel().menuItemAction(stray);
  }
  EXPECT_EQ(preferences.showCount + about.openCount + application.stopCount, 0);
  footerItem(107).performAction();
  footerItem(107).performAction();
  EXPECT_EQ(preferences.showCount, 2);
  footerItem(103).performAction();
  EXPECT_EQ(application.activateCount, 1);
  EXPECT_EQ(about.openCount, 1);
  footerItem(104).performAction();
  EXPECT_EQ(application.stopCount, 1);
  EXPECT_TRUE(alerts.shown.empty());
  EXPECT_EQ(marbrel().store().count(), 3u);
}

}  // namespace
}  // namespace marbrel::testing
