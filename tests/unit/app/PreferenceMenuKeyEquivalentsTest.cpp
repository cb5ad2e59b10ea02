#include <gtest/gtest.h>

#include "core/app/PreferenceMenuKeyEquivalents.h"
#include "core/config/Configuration.h"
#include "core/config/Defaults.h"
#include "core/config/ProcessArguments.h"
#include "core/menu/HistoryMenuItem.h"
#include "core/menu/MenuFooter.h"
#include "core/menu/MenuModel.h"
#include "fakes/FakeImageDecoder.h"
#include "fakes/FakeStrings.h"

namespace marbrel {
namespace {

TEST(PreferenceMenuKeyEquivalents, TheFootersEquivalentsCountAndHistoryRowsDoNot) {
  Defaults defaults{""};
  ProcessArguments arguments;
  Configuration configuration{defaults, arguments};
  FakeStrings strings;
  strings.set("quit", "Quit");
  FakeImageDecoder images;
  MenuModel menu;

  auto row = HistoryMenuItem::make(nullptr, {}, configuration, images, strings);
  row->setKeyEquivalent("1");
  row->setKeyEquivalentModifierMask(modifier_flags::kCommand);
  menu.addItem(row);
  for (const MenuFooter footer : allMenuFooterCases()) menu.addItem(makeMenuFooterItem(footer, configuration, strings));

  const auto equivalents = preferenceMenuKeyEquivalents(menu);
  ASSERT_FALSE(equivalents.empty());
  for (const auto& each : equivalents) EXPECT_NE(each.keyEquivalent, "1");
  const auto quit = std::find_if(equivalents.begin(), equivalents.end(),
                                 [](const MenuKeyEquivalent& each) { return each.title == "Quit"; });
  ASSERT_NE(quit, equivalents.end());
  EXPECT_EQ(quit->keyEquivalent, "q");
  EXPECT_EQ(quit->modifierMask, modifier_flags::kCommand);
  EXPECT_TRUE(preferenceMenuKeyEquivalents(MenuModel()).empty());
}

}  // namespace
}  // namespace marbrel
