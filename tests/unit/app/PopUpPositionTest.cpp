#include <gtest/gtest.h>

#include "AppFixture.h"
#include "core/app/PopUpPosition.h"

namespace marbrel::testing {
namespace {

TEST(PopUpPositionRules, EachSettingPicksItsPoint) {
  PopUpPosition::Context context;
  context.mouseLocation = {12, 34};
  context.statusItemWindowFrame = ScreenRect{{1200, 876}, {24, 24}};
  context.mainScreenFrame = ScreenRect{{0, 0}, {1440, 900}};
  context.menuSize = {300, 400};

  EXPECT_EQ(PopUpPosition::locate("center", context), (ScreenPoint{570, 650}));
  EXPECT_EQ(PopUpPosition::locate("somewhere", context), (ScreenPoint{570, 650}));
  EXPECT_EQ(PopUpPosition::locate("", context), (ScreenPoint{570, 650}));
  EXPECT_EQ(PopUpPosition::locate("Cursor", context), (ScreenPoint{570, 650})) << "values are exact";
  EXPECT_EQ(PopUpPosition::locate("cursor", context), (ScreenPoint{12, 34}));
  EXPECT_EQ(PopUpPosition::locate("statusItem", context), (ScreenPoint{1200, 876}));

  // The screen's own origin is not added.
  context.mainScreenFrame = ScreenRect{{1440, 200}, {1440, 900}};
  EXPECT_EQ(PopUpPosition::locate("center", context), (ScreenPoint{570, 650}));
}

TEST(PopUpPositionRules, MissingScreenOrStatusItemWindowGivesNoPoint) {
  PopUpPosition::Context context;
  EXPECT_FALSE(PopUpPosition::locate("center", context));
  EXPECT_FALSE(PopUpPosition::locate("statusItem", context));
  EXPECT_TRUE(PopUpPosition::locate("cursor", context));
}

using PopUp = AppFixture;

TEST_F(PopUp, TheControllerOpensTheMenuWhereTheSettingSays) {
  launch();
  presenter.size = {320, 500};
  configuration.setPopupPosition("cursor");
  marbrel().popUp();
  presenter.close();
  configuration.setPopupPosition("statusItem");
  statusItem.windowFrame = ScreenRect{{800, 870}, {30, 30}};
  marbrel().popUp();
  presenter.close();
  configuration.setPopupPosition("center");
  marbrel().popUp();
  presenter.close();
  EXPECT_EQ(presenter.popUpLocations,
            (std::vector<ScreenPoint>{{100, 200}, {800, 870}, {(1440 - 320) * 0.5, (900 + 500) * 0.5}}));

  // Without the screen or the status item's window nothing opens.
  presenter.screen.reset();
  marbrel().popUp();
  configuration.setPopupPosition("statusItem");
  statusItem.windowFrame.reset();
  marbrel().popUp();
  EXPECT_EQ(presenter.popUpLocations.size(), 3u);
  EXPECT_EQ(presenter.openMenu, nullptr);
}

}  // namespace
}  // namespace marbrel::testing
