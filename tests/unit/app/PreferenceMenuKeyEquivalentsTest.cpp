#include <gtest/gtest.h>

#include "core/app/PreferenceMenuKeyEquivalents.h"
#include "core/menu/MenuFooter.h"
#include "support/CoreFakes.h"

namespace marbrel::testing {
namespace {

struct PreferenceMenuKeyEquivalents : ::testing::Test, CoreFakes {};

TEST_F(PreferenceMenuKeyEquivalents, TheFootersEquivalentsCountAndHistoryRowsDoNot) {
  strings.set("quit", "Quit");
  MenuModel menu;
  auto row = HistoryMenuItem::make(nullptr, {}, configuration, images, strings);
  row->setKeyEquivalent("1");
  row->setKeyEquivalentModifierMask(modifier_flags::kCommand);
  menu.addItem(row);
  for (const MenuFooter footer : allMenuFooterCases()) menu.addItem(makeMenuFooterItem(footer, configuration, strings));
  const auto equivalents = preferenceMenuKeyEquivalents(menu);
  for (const auto& each : equivalents) EXPECT_NE(each.keyEquivalent, "1");
  const auto quit = std::find_if(equivalents.begin(), equivalents.end(), [](const auto& each) { return each.title == "Quit"; });
  ASSERT_NE(quit, equivalents.end());
  EXPECT_EQ(quit->keyEquivalent + std::to_string(quit->modifierMask), "q" + std::to_string(modifier_flags::kCommand));
  EXPECT_TRUE(preferenceMenuKeyEquivalents(MenuModel()).empty());
}

}  // namespace
}  // namespace marbrel::testing
