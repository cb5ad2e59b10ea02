#include <QCheckBox>
#include <QLayout>
#include <QComboBox>
#include <QLabel>
#include <QMouseEvent>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionSlider>

#include "core/app/PreferenceControls.h"
#include "shell/preferences/AppearancePreferencesViewController.h"
#include "shell/preferences/GeneralPreferencesViewController.h"
#include "widget/preferences/PreferencesFixture.h"

namespace marbrel::testing {
namespace {

struct PreferencePanesTest : PreferencesFixture {
  GeneralPreferencesViewController general{*context};
  AppearancePreferencesViewController appearance{*context};
};

// Presses and releases the slider's knob after dragging it by `pixels`, as the mouse would.
void dragKnob(QSlider& slider, int pixels) {
  QStyleOptionSlider option;
  option.initFrom(&slider);
  option.orientation = slider.orientation();
  option.minimum = slider.minimum();
  option.maximum = slider.maximum();
  option.sliderPosition = slider.sliderPosition();
  option.sliderValue = slider.value();
  const QRect knob = slider.style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, &slider);
  const QPointF from = knob.center();
  const QPointF to = from + QPointF(pixels, 0);
  QMouseEvent press(QEvent::MouseButtonPress, from, slider.mapToGlobal(from), Qt::LeftButton, Qt::LeftButton,
                    Qt::NoModifier);
  QApplication::sendEvent(&slider, &press);
  QMouseEvent move(QEvent::MouseMove, to, slider.mapToGlobal(to), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&slider, &move);
  QMouseEvent release(QEvent::MouseButtonRelease, to, slider.mapToGlobal(to), Qt::LeftButton, Qt::NoButton,
                      Qt::NoModifier);
  QApplication::sendEvent(&slider, &release);
}

TEST_F(PreferencePanesTest, FirstAppearanceShowsTheDefaultsInPlaceOfThePlaceholders) {
  EXPECT_EQ(general.historySizeLabel()->text(), "{historySize} entries");  // the layout text
  general.viewWillAppear();
  appearance.viewWillAppear();
  EXPECT_EQ(general.historySizeSlider()->value(), 200);
  EXPECT_EQ(general.historySizeLabel()->text(), "200 entries");
  EXPECT_EQ(general.sortByButton()->currentData().toInt(), 0);
  EXPECT_EQ(general.pasteAutomaticallyButton()->checkState(), Qt::Checked);
  EXPECT_EQ(general.launchAtLoginButton()->checkState(), Qt::Unchecked);
  EXPECT_EQ(appearance.imageHeightLabel()->text(), "40 px");
  EXPECT_EQ(appearance.menuSizeLabel()->text(), "0 entries (0: all)");
  EXPECT_EQ(appearance.popupAtButton()->currentData().toInt(), 1);
  EXPECT_EQ(appearance.pinToButton()->currentData().toInt(), 1);
  EXPECT_EQ(appearance.showTitleButton()->checkState(), Qt::Unchecked);
  EXPECT_EQ(appearance.showFooterButton()->checkState(), Qt::Checked);
}

TEST_F(PreferencePanesTest, CheckBoxesShowTheStoredValuesEachTimeAPaneAppears) {
  appearance.viewWillAppear();
  defaults.setBool("hideFooter", true);
  defaults.setBool("hideTitle", false);
  defaults.setBool("fuzzySearch", true);
  defaults.setBool("pasteByDefault", false);
  appearance.viewWillAppear();
  general.viewWillAppear();
  EXPECT_EQ(appearance.showFooterButton()->checkState(), Qt::Unchecked);
  EXPECT_EQ(appearance.showTitleButton()->checkState(), Qt::Checked);
  EXPECT_EQ(general.fuzzySearchButton()->checkState(), Qt::Checked);
  EXPECT_EQ(general.pasteAutomaticallyButton()->checkState(), Qt::Unchecked);
  EXPECT_FALSE(stored().persistentObjectForKey("historySize"));  // showing writes nothing
}

TEST_F(PreferencePanesTest, SliderLabelsFollowTheSliderAndTheStoredValue) {
  appearance.viewWillAppear();
  appearance.menuSizeSlider()->setValue(5);
  EXPECT_EQ(appearance.menuSizeLabel()->text(), "5 entries (0: all)");
  EXPECT_EQ(stored().integerForKey("maxMenuItems"), 5);

  // Another program changes the setting; the pane shows the new value when it appears again.
  defaults.setInteger("maxMenuItems", 30);
  appearance.viewWillAppear();
  EXPECT_EQ(appearance.menuSizeSlider()->value(), 30);
  EXPECT_EQ(appearance.menuSizeLabel()->text(), "30 entries (0: all)");

  // A stored value beyond the slider's range shows the range's end.
  defaults.setInteger("imageMaxHeight", 5000);
  appearance.viewWillAppear();
  EXPECT_EQ(appearance.imageHeightLabel()->text(), QString("%1 px").arg(preference_sliders::imageHeight.maximum));
}

TEST_F(PreferencePanesTest, DraggingASliderWritesOnlyWhenTheKnobIsLetGo) {
  general.viewWillAppear();
  general.show();
  general.layout()->activate();
  QSlider& slider = *general.historySizeSlider();
  int writes = 0;
  defaults.observe("historySize", [&](const Defaults::Value&) { ++writes; });
  dragKnob(slider, 60);
  ASSERT_NE(slider.value(), 200);
  EXPECT_EQ(writes, 1);
  EXPECT_EQ(stored().integerForKey("historySize"), slider.value());
  EXPECT_EQ(general.historySizeLabel()->text(), QString("%1 entries").arg(slider.value()));

  // Keys move the knob by steps and write each step at once.
  pressKey(&slider, Qt::Key_Left);
  EXPECT_EQ(stored().integerForKey("historySize"), slider.value());
  EXPECT_EQ(writes, 2);
}

TEST_F(PreferencePanesTest, PopUpsSelectByTagAndWriteTheirTagsValue) {
  defaults.setString("popupPosition", "nowhere");
  defaults.setString("sortBy", "numberOfCopies");
  defaults.setString("pinTo", "top");
  appearance.viewWillAppear();
  general.viewWillAppear();
  EXPECT_EQ(appearance.popupAtButton()->currentData().toInt(), 1);
  EXPECT_EQ(appearance.pinToButton()->currentData().toInt(), 0);
  EXPECT_EQ(general.sortByButton()->currentData().toInt(), 2);

  // Choosing with the keyboard, as a user does on a closed pop-up.
  pressKey(appearance.popupAtButton(), Qt::Key_Up);
  EXPECT_EQ(stored().stringForKey("popupPosition"), "cursor");
  pressKey(appearance.popupAtButton(), Qt::Key_Down);
  EXPECT_EQ(stored().stringForKey("popupPosition"), "center");
  pressKey(appearance.pinToButton(), Qt::Key_Down);
  EXPECT_EQ(stored().stringForKey("pinTo"), "bottom");
  pressKey(general.sortByButton(), Qt::Key_Up);
  EXPECT_EQ(stored().stringForKey("sortBy"), "firstCopiedAt");
}

TEST_F(PreferencePanesTest, EveryCheckBoxWritesItsSettingTheMomentItIsClicked) {
  appearance.viewWillAppear();
  general.viewWillAppear();
  appearance.showFooterButton()->click();
  EXPECT_TRUE(stored().boolForKey("hideFooter"));
  appearance.showTitleButton()->click();
  EXPECT_EQ(stored().persistentObjectForKey("hideTitle"), Defaults::Value(false));
  appearance.showSearchFieldButton()->click();
  EXPECT_TRUE(stored().boolForKey("hideSearch"));
  appearance.showMenuIconButton()->click();
  EXPECT_EQ(stored().persistentObjectForKey("showInStatusBar"), Defaults::Value(false));
  general.fuzzySearchButton()->click();
  EXPECT_TRUE(stored().boolForKey("fuzzySearch"));
  general.pasteAutomaticallyButton()->click();
  EXPECT_EQ(stored().persistentObjectForKey("pasteByDefault"), Defaults::Value(false));
}

TEST_F(PreferencePanesTest, LaunchAtLoginBoxWritesTheAutostartEntryAndShowsTheTruth) {
  general.viewWillAppear();
  general.launchAtLoginButton()->click();
  EXPECT_TRUE(launchAtLogin.isEnabled());
  EXPECT_EQ(general.launchAtLoginButton()->checkState(), Qt::Checked);
  general.launchAtLoginButton()->click();
  EXPECT_FALSE(std::filesystem::exists(launchAtLogin.entryFile()));

  // The entry was removed behind the pane's back: the next appearance shows it off.
  general.launchAtLoginButton()->click();
  std::filesystem::remove(launchAtLogin.entryFile());
  general.viewWillAppear();
  EXPECT_EQ(general.launchAtLoginButton()->checkState(), Qt::Unchecked);
}

TEST_F(PreferencePanesTest, TextsComeFromTheStringTableWhenItHasThem) {
  strings.set("preferences_general", "Allgemein");
  strings.set("preferences_history_size_value", "{historySize} Einträge");
  GeneralPreferencesViewController german{*context};
  german.viewWillAppear();
  EXPECT_EQ(german.preferencePaneTitle(), "Allgemein");
  EXPECT_EQ(german.historySizeLabel()->text(), "200 Einträge");
}

}  // namespace
}  // namespace marbrel::testing
