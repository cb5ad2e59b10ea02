#include <gtest/gtest.h>

#include <fstream>

#include "core/app/AppearancePaneModel.h"
#include "core/app/GeneralPaneModel.h"
#include "core/app/LaunchAtLogin.h"
#include "core/app/PreferenceControls.h"
#include "core/config/Configuration.h"
#include "core/config/Defaults.h"
#include "core/config/ProcessArguments.h"
#include "support/TempDir.h"

namespace marbrel {
namespace {

using testing::TempDir;

// Settings in a file of their own, with the registrations the running program makes at start-up.
struct PaneFixture : ::testing::Test {
  TempDir dir;
  Defaults defaults{dir / "defaults.json"};
  ProcessArguments arguments;
  Configuration configuration{defaults, arguments};
  LaunchAtLogin launchAtLogin{dir / "autostart" / LaunchAtLogin::kEntryName, "/usr/bin/marbrel"};
  GeneralPaneModel general{configuration, launchAtLogin};
  AppearancePaneModel appearance{configuration};

  PaneFixture() {
    defaults.registerDefault("historySize", 200);
    defaults.registerDefault("showInStatusBar", true);
    defaults.registerDefault("hideTitle", true);
    defaults.registerDefault("pasteByDefault", true);
    defaults.registerDefault("maxMenuItems", 0);
    defaults.registerDefault("imageMaxHeight", 40.0);
  }

  // What another process sees: the file as written.
  Defaults reread() const { return Defaults(dir / "defaults.json"); }
};

using GeneralPane = PaneFixture;
using AppearancePane = PaneFixture;

TEST_F(GeneralPane, FirstAppearanceWithNothingStoredShowsTheDefaults) {
  const auto controls = general.controlsOnAppearance();
  EXPECT_EQ(controls.historySize, 200);
  EXPECT_EQ(controls.sortByTag, 0);
  EXPECT_EQ(controls.launchAtLogin, ButtonState::off);
  EXPECT_EQ(controls.fuzzySearch, ButtonState::off);
  EXPECT_EQ(controls.pasteAutomatically, ButtonState::on);
  EXPECT_EQ(sliderLabelText("Keep {historySize} entries", "{historySize}", controls.historySize),
            "Keep 200 entries");
}

TEST_F(GeneralPane, ShowsStoredValuesAndClampsOutOfRangeSizesWithoutWritingThem) {
  defaults.setBool("fuzzySearch", true);
  defaults.setBool("pasteByDefault", false);
  defaults.setString("sortBy", "numberOfCopies");
  defaults.setInteger("historySize", 5'000'000);
  auto controls = general.controlsOnAppearance();
  EXPECT_EQ(controls.fuzzySearch, ButtonState::on);
  EXPECT_EQ(controls.pasteAutomatically, ButtonState::off);
  EXPECT_EQ(controls.sortByTag, 2);
  EXPECT_EQ(controls.historySize, preference_sliders::historySize.maximum);
  EXPECT_EQ(configuration.historySize(), 5'000'000);

  defaults.setInteger("historySize", -3);
  EXPECT_EQ(general.controlsOnAppearance().historySize, preference_sliders::historySize.minimum);
}

TEST_F(GeneralPane, EachControlWritesItsSettingAtOnce) {
  general.fuzzySearchChanged(ButtonState::on);
  general.pasteAutomaticallyChanged(ButtonState::off);
  general.historySizeChanged(2500);
  general.sortByChanged(1);
  const Defaults other = reread();
  EXPECT_TRUE(other.boolForKey("fuzzySearch"));
  EXPECT_EQ(other.persistentObjectForKey("pasteByDefault"), Defaults::Value(false));
  EXPECT_EQ(other.integerForKey("historySize"), 2500);
  EXPECT_EQ(other.stringForKey("sortBy"), "firstCopiedAt");
}

TEST_F(GeneralPane, MixedCheckBoxesCountAsOff) {
  general.fuzzySearchChanged(ButtonState::on);
  general.fuzzySearchChanged(ButtonState::mixed);
  general.pasteAutomaticallyChanged(ButtonState::mixed);
  EXPECT_FALSE(configuration.fuzzySearch());
  EXPECT_FALSE(configuration.pasteByDefault());
  EXPECT_EQ(general.launchAtLoginChanged(ButtonState::mixed), ButtonState::off);
  EXPECT_FALSE(launchAtLogin.isEnabled());
}

TEST_F(GeneralPane, LaunchAtLoginBoxFollowsTheEntryAndShowsARefusalAsOff) {
  EXPECT_EQ(general.launchAtLoginChanged(ButtonState::on), ButtonState::on);
  EXPECT_EQ(general.controlsOnAppearance().launchAtLogin, ButtonState::on);
  EXPECT_EQ(general.launchAtLoginChanged(ButtonState::off), ButtonState::off);
  EXPECT_EQ(general.controlsOnAppearance().launchAtLogin, ButtonState::off);

  // The autostart folder cannot be created (a file is in the way): the box must not claim success.
  { std::ofstream(dir / "blocked") << "file"; }
  LaunchAtLogin refused{dir / "blocked" / "autostart" / LaunchAtLogin::kEntryName, "/usr/bin/marbrel"};
  GeneralPaneModel pane{configuration, refused};
  EXPECT_EQ(pane.launchAtLoginChanged(ButtonState::on), ButtonState::off);
}

TEST_F(GeneralPane, SortByTagsMapBothWaysWithLastCopiedAsFallback) {
  EXPECT_EQ(preference_tags::sortByTag("lastCopiedAt"), 0);
  EXPECT_EQ(preference_tags::sortByTag("firstCopiedAt"), 1);
  EXPECT_EQ(preference_tags::sortByTag("numberOfCopies"), 2);
  EXPECT_EQ(preference_tags::sortByTag("alphabetical"), 0);
  defaults.setInteger("sortBy", 7);  // not a string: the accessor's fallback
  EXPECT_EQ(general.controlsOnAppearance().sortByTag, 0);
  for (const int tag : {0, 3, -1}) {
    general.sortByChanged(tag);
    EXPECT_EQ(configuration.sortBy(), "lastCopiedAt") << tag;
  }
  general.sortByChanged(2);
  EXPECT_EQ(configuration.sortBy(), "numberOfCopies");
}

TEST_F(AppearancePane, UnknownPopupPositionShowsCenterAndChoosingItWritesCenter) {
  defaults.setString("popupPosition", "nowhere");
  EXPECT_EQ(appearance.controlsOnAppearance().popupAtTag, 1);
  appearance.popupPositionChanged(1);
  EXPECT_EQ(reread().stringForKey("popupPosition"), "center");

  const std::pair<const char*, int> rows[] = {{"cursor", 0}, {"center", 1}, {"statusItem", 2}};
  for (const auto& [value, tag] : rows) {
    defaults.setString("popupPosition", value);
    EXPECT_EQ(appearance.controlsOnAppearance().popupAtTag, tag) << value;
    appearance.popupPositionChanged(tag);
    EXPECT_EQ(configuration.popupPosition(), value);
  }
  appearance.popupPositionChanged(9);
  EXPECT_EQ(configuration.popupPosition(), "center");
}

TEST_F(AppearancePane, PinToShowsBottomForAnythingButTop) {
  EXPECT_EQ(appearance.controlsOnAppearance().pinToTag, 1);
  defaults.setString("pinTo", "top");
  EXPECT_EQ(appearance.controlsOnAppearance().pinToTag, 0);
  defaults.setString("pinTo", "middle");
  EXPECT_EQ(appearance.controlsOnAppearance().pinToTag, 1);
  appearance.pinToChanged(0);
  EXPECT_EQ(configuration.pinTo(), "top");
  appearance.pinToChanged(5);
  EXPECT_EQ(configuration.pinTo(), "bottom");
}

TEST_F(AppearancePane, FreshSettingsShowTheMenuPartsAsTheyStart) {
  const auto controls = appearance.controlsOnAppearance();
  EXPECT_EQ(controls.imageHeight, 40);
  EXPECT_EQ(controls.menuSize, 0);
  EXPECT_EQ(controls.showMenuIcon, ButtonState::on);
  EXPECT_EQ(controls.showSearchField, ButtonState::on);
  EXPECT_EQ(controls.showTitle, ButtonState::off);
  EXPECT_EQ(controls.showFooter, ButtonState::on);
}

TEST_F(AppearancePane, ShowBoxesWriteTheInvertedHideSettingsWithMixedCountingAsShown) {
  appearance.showTitleChanged(ButtonState::on);
  appearance.showFooterChanged(ButtonState::off);
  appearance.showSearchFieldChanged(ButtonState::off);
  Defaults other = reread();
  EXPECT_EQ(other.persistentObjectForKey("hideTitle"), Defaults::Value(false));
  EXPECT_TRUE(other.boolForKey("hideFooter"));
  EXPECT_TRUE(other.boolForKey("hideSearch"));

  appearance.showFooterChanged(ButtonState::mixed);
  appearance.showSearchFieldChanged(ButtonState::mixed);
  appearance.showTitleChanged(ButtonState::mixed);
  EXPECT_FALSE(configuration.hideFooter());
  EXPECT_FALSE(configuration.hideSearch());
  EXPECT_FALSE(configuration.hideTitle());
  EXPECT_EQ(appearance.controlsOnAppearance().showFooter, ButtonState::on);
}

TEST_F(AppearancePane, MenuIconBoxWritesTheStatusItemSettingAndMixedHidesIt) {
  appearance.showMenuIconChanged(ButtonState::off);
  EXPECT_EQ(reread().persistentObjectForKey("showInStatusBar"), Defaults::Value(false));
  EXPECT_EQ(appearance.controlsOnAppearance().showMenuIcon, ButtonState::off);
  appearance.showMenuIconChanged(ButtonState::on);
  EXPECT_TRUE(configuration.showInStatusBar());
  appearance.showMenuIconChanged(ButtonState::mixed);
  EXPECT_FALSE(configuration.showInStatusBar());
}

TEST_F(AppearancePane, UnderUiTestingTheMenuIconBoxLeavesTheRealSettingAlone) {
  ProcessArguments testing({"marbrel", "ui-testing"});
  Configuration uiConfiguration{defaults, testing};
  AppearancePaneModel pane{uiConfiguration};
  pane.showMenuIconChanged(ButtonState::off);
  EXPECT_EQ(defaults.persistentObjectForKey("showInStatusBarUITests"), Defaults::Value(false));
  EXPECT_FALSE(defaults.persistentObjectForKey("showInStatusBar"));
  EXPECT_EQ(pane.controlsOnAppearance().showMenuIcon, ButtonState::on);
}

TEST_F(AppearancePane, SlidersWriteAndClampToTheirRanges) {
  appearance.menuSizeChanged(5);
  appearance.imageHeightChanged(120);
  EXPECT_EQ(reread().integerForKey("maxMenuItems"), 5);
  EXPECT_EQ(reread().integerForKey("imageMaxHeight"), 120);
  defaults.setInteger("imageMaxHeight", 100000);
  defaults.setInteger("maxMenuItems", -1);
  const auto controls = appearance.controlsOnAppearance();
  EXPECT_EQ(controls.imageHeight, preference_sliders::imageHeight.maximum);
  EXPECT_EQ(controls.menuSize, 0);
}

TEST(PreferenceSliders, RangesHoldTheDefaultsAndLongHistories) {
  EXPECT_EQ(preference_sliders::historySize.clamp(200), 200);
  EXPECT_GE(preference_sliders::historySize.maximum, 10000);
  EXPECT_EQ(preference_sliders::imageHeight.clamp(40), 40);
  EXPECT_EQ(preference_sliders::menuSize.clamp(0), 0);
}

TEST(PreferenceSliders, LabelTextReplacesOnlyTheFirstPlaceholder) {
  EXPECT_EQ(sliderLabelText("{menuSize} of {menuSize}", "{menuSize}", 5), "5 of {menuSize}");
  EXPECT_EQ(sliderLabelText("Menu size", "{menuSize}", 5), "Menu size");
  EXPECT_EQ(sliderLabelText("Height: {imageHeight} px", "{imageHeight}", -12), "Height: -12 px");
  EXPECT_EQ(sliderLabelText("", "{x}", 1), "");
}

}  // namespace
}  // namespace marbrel
