#include <gtest/gtest.h>

#include "core/app/PopUpPosition.h"

namespace marbrel::testing {
namespace {

TEST(PopUpPositionRules, EachSettingPicksItsPoint) {
  // A 300 x 400 menu; the pointer at (2100, 500) on the right-hand of two 1440 x 900 screens, the
  // status item's window at the top right of the left one.
  PopUpPosition::Context context;
  context.mouseLocation = {2100, 500};
  context.menuSize = {300, 400};
  const ScreenRect left{{0, 0}, {1440, 900}};
  const ScreenRect right{{1440, 200}, {1440, 900}};
  const ScreenRect icon{{1200, 876}, {24, 24}};
  struct Row { const char* why; std::string setting; std::optional<ScreenRect> screen, statusItem; std::optional<ScreenPoint> expected; };
  const Row rows[] = {
      {"centred on a screen at the origin", "center", left, icon, ScreenPoint{570, 650}},
      {"centred on a screen away from the origin: its origin counts", "center", right, icon,
       ScreenPoint{1440 + 570, 200 + 650}},
      {"an unknown value is center", "somewhere", right, icon, ScreenPoint{2010, 850}},
      {"an empty value is center", "", left, icon, ScreenPoint{570, 650}},
      {"values are exact: \"Cursor\" is center", "Cursor", left, icon, ScreenPoint{570, 650}},
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
