#include <gtest/gtest.h>

#include "AppFixture.h"

namespace marbrel::testing {
namespace {

class FooterCommands : public AppFixture {
 protected:
  FooterCommands() {
    launch();
    for (const char* text : {"one", "two", "pinned"}) copyElsewhere(text);
    marbrel().history().all().front()->setPin("a");
    marbrel().store().saveContext();
    presenter.popUp(menu(), {});  // opened once, the menu holds rows for every entry
    presenter.close();
  }
};

TEST_F(FooterCommands, ClearAsksFirstAndKeepsPinnedEntriesInStoreAndMenu) {
  alerts.answer = Alerts::kSecondButtonReturn;
  marbrel().menuItemAction(footerItem(101));
  ASSERT_EQ(alerts.shown.size(), 1u);
  EXPECT_EQ(alerts.shown[0].informativeKey, "clear_confirm_text");
  EXPECT_EQ(alerts.shown[0].buttonKeys.front(), "cancel") << "the default button deletes nothing";
  ASSERT_EQ(marbrel().store().count(), 1u);
  EXPECT_TRUE(marbrel().history().all().front()->isPinned());
  ASSERT_EQ(menu().historyItems().size(), 2u);
  EXPECT_TRUE(menu().historyItems()[0]->isPinned() && menu().historyItems()[1]->isPinned());
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
  EXPECT_EQ(alerts.shown.back().informativeKey, "clear_all_confirm_text");
  EXPECT_EQ(marbrel().store().count(), 0u);
  EXPECT_EQ(menu().size(), 7u);
}

}  // namespace
}  // namespace marbrel::testing
