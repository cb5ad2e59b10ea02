#include "shell/preferences/GeneralPreferencesViewController.h"
#include "shell/preferences/NumberBox.h"
#include "widget/preferences/PreferencesFixture.h"

namespace marbrel::testing {
namespace {

// A size that deletes entries is written only once the user agrees, and asked about once per change.
TEST_F(PreferencesFixture, TheHistorySizeBoxWritesOnReturnAndAsksOnceBeforeDeleting) {
  GeneralPreferencesViewController general{*context};
  general.viewWillAppear();
  NumberBox& box = *general.historySizeBox();
  storedEntries = 150;
  alerts.answer = Alerts::kFirstButtonReturn;  // Cancel
  box.selectAll();
  for (const auto& [key, digit] : {std::pair{Qt::Key_2, "2"}, {Qt::Key_0, "0"}}) pressKey(&box, key, {}, digit);
  EXPECT_EQ(box.value(), 200) << "typed digits count once Return is pressed";
  pressKey(&box, Qt::Key_Return);
  ASSERT_TRUE(processEventsUntil([&] { return !alerts.shown.empty(); }));
  EXPECT_FALSE(stored().persistentObjectForKey("historySize"));
  EXPECT_EQ(box.value(), 200) << "the box shows the size still in force";
  storedEntries = 200;
  alerts.answer = Alerts::kSecondButtonReturn;
  for (int step = 0; step < 3; ++step) pressKey(&box, Qt::Key_Down);
  EXPECT_TRUE(alerts.shown.size() == 1u && !stored().persistentObjectForKey("historySize")) << "not yet";
  ASSERT_TRUE(processEventsUntil([&] { return alerts.shown.size() == 2u; }));
  EXPECT_EQ(stored().integerForKey("historySize"), 197);
  EXPECT_EQ(box.text(), "197 entries");
}

}  // namespace
}  // namespace marbrel::testing
