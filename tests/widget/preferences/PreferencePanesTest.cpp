#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QLabel>
#include <QSet>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionSlider>

#include "core/app/PreferenceControls.h"
#include "shell/portal/PortalStatus.h"
#include "shell/preferences/AppearancePreferencesViewController.h"
#include "shell/preferences/GeneralPreferencesViewController.h"
#include "shell/preferences/NumberBox.h"
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
  const QPointF from = knob.center(), to = from + QPointF(pixels, 0);
  sendMouse(&slider, QEvent::MouseButtonPress, from);
  sendMouse(&slider, QEvent::MouseMove, to);
  sendMouse(&slider, QEvent::MouseButtonRelease, to);
}

// Selects the box's text and types `digits`, then presses Return unless told not to.
void type(NumberBox& box, const std::string& digits, bool enter = true) {
  box.selectAll();
  for (const char digit : digits) pressKey(&box, Qt::Key_0 + (digit - '0'), Qt::NoModifier, QString(QChar(digit)));
  if (enter) pressKey(&box, Qt::Key_Return);
}

TEST_F(PreferencePanesTest, SizeBoxesTakeAnyNumberTypedAndWriteItOnReturn) {
  general.viewWillAppear();
  appearance.viewWillAppear();
  // The placeholders read as the values in force.
  EXPECT_EQ(general.historySizeBox()->text(), "200 entries");
  EXPECT_EQ(appearance.imageHeightLabel()->text(), "40 px");
  EXPECT_EQ(appearance.menuSizeBox()->text(), "All") << "no limit on the menu's size";

  // Typed digits count once Return is pressed, not one by one.
  NumberBox& menuSize = *appearance.menuSizeBox();
  type(menuSize, "20", false);
  EXPECT_FALSE(stored().persistentObjectForKey("maxMenuItems"));
  pressKey(&menuSize, Qt::Key_Return);
  EXPECT_EQ(stored().integerForKey("maxMenuItems"), 20);
  EXPECT_EQ(menuSize.text(), "20 entries");
  pressKey(&menuSize, Qt::Key_Down);
  EXPECT_EQ(stored().integerForKey("maxMenuItems"), 19) << "a step is written at once";
  menuSize.setValue(1);
  EXPECT_EQ(menuSize.text(), "1 entry");

  // Home and End move the caret: they do not jump to the ends of the range.
  NumberBox& historySize = *general.historySizeBox();
  pressKey(&historySize, Qt::Key_Home);
  pressKey(&historySize, Qt::Key_End);
  EXPECT_FALSE(stored().persistentObjectForKey("historySize"));
  type(historySize, "100");
  EXPECT_EQ(stored().integerForKey("historySize"), 100);

  // Another program's change shows at the next appearance, a value beyond the range as its end.
  defaults.setInteger("maxMenuItems", 30);
  defaults.setInteger("historySize", 5'000'000);
  appearance.viewWillAppear();
  general.viewWillAppear();
  EXPECT_EQ(menuSize.text(), "30 entries");
  EXPECT_EQ(historySize.value(), preference_ranges::historySize.maximum);
}

TEST_F(PreferencePanesTest, AHistorySizeThatDeletesEntriesIsWrittenOnlyOnceTheUserAgrees) {
  storedEntries = 150;
  general.viewWillAppear();
  NumberBox& box = *general.historySizeBox();
  alerts.answer = Alerts::kFirstButtonReturn;  // Cancel
  type(box, "20");
  ASSERT_TRUE(processEventsUntil([&] { return !alerts.shown.empty(); }));
  EXPECT_EQ(alerts.shown[0].informativeArguments, (std::vector<std::string>{"150", "20", "130"}));
  EXPECT_FALSE(stored().persistentObjectForKey("historySize"));
  EXPECT_EQ(box.value(), 200) << "the box shows the size still in force";

  // Stepping down past what is stored asks once, about the size the user stops at.
  storedEntries = 200;
  alerts.answer = Alerts::kSecondButtonReturn;
  for (int step = 0; step < 3; ++step) pressKey(&box, Qt::Key_Down);
  EXPECT_TRUE(alerts.shown.size() == 1u && !stored().persistentObjectForKey("historySize")) << "not yet";
  ASSERT_TRUE(processEventsUntil([&] { return alerts.shown.size() == 2u; }));
  EXPECT_EQ(alerts.shown[1].informativeArguments, (std::vector<std::string>{"200", "197", "3"}));
  EXPECT_EQ(stored().integerForKey("historySize"), 197);
  storedEntries = 197;  // the next copy trimmed the history
  pressKey(&box, Qt::Key_Up);
  EXPECT_EQ(stored().integerForKey("historySize"), 198) << "a size that deletes nothing is written at once";
  EXPECT_EQ(alerts.shown.size(), 2u);
}

TEST_F(PreferencePanesTest, DraggingASliderWritesOnlyWhenTheKnobIsLetGo) {
  appearance.viewWillAppear();
  appearance.show();
  appearance.layout()->activate();
  QSlider& slider = *appearance.imageHeightSlider();
  int writes = 0;
  defaults.observe("imageMaxHeight", [&](const Defaults::Value&) { ++writes; });
  dragKnob(slider, 60);
  ASSERT_NE(slider.value(), 40);
  EXPECT_EQ(writes, 1);
  EXPECT_EQ(stored().integerForKey("imageMaxHeight"), slider.value());
  EXPECT_EQ(appearance.imageHeightLabel()->text(), QString("%1 px").arg(slider.value()));

  // Keys move the knob by steps and write each step at once.
  pressKey(&slider, Qt::Key_Left);
  EXPECT_EQ(stored().integerForKey("imageMaxHeight"), slider.value());
  EXPECT_EQ(writes, 2);
}

TEST_F(PreferencePanesTest, EveryFormLabelHasAMnemonicOfItsOwnForItsControl) {
  const auto mnemonic = [](const QString& text) {
    const qsizetype at = text.indexOf('&');
    return at >= 0 && at + 1 < text.size() ? text.at(at + 1).toLower() : QChar();
  };
  for (PreferencePane* pane : std::initializer_list<PreferencePane*>{&general, &appearance}) {
    SCOPED_TRACE(pane->preferencePaneIdentifier().toStdString());
    auto* form = qobject_cast<QFormLayout*>(pane->layout());
    ASSERT_NE(form, nullptr);
    QSet<QChar> letters;  // the check boxes' own mnemonics share the pane with the labels'
    int mnemonics = 0;
    for (const QCheckBox* box : pane->findChildren<QCheckBox*>()) {
      if (const QChar letter = mnemonic(box->text()); !letter.isNull()) letters.insert(letter), ++mnemonics;
    }
    for (int row = 0; row < form->rowCount(); ++row) {
      QLayoutItem* item = form->itemAt(row, QFormLayout::LabelRole);
      auto* label = item ? qobject_cast<QLabel*>(item->widget()) : nullptr;
      ASSERT_NE(label, nullptr) << "row " << row << " has no label";
      SCOPED_TRACE(label->text().toStdString());
      const QChar letter = mnemonic(label->text());
      EXPECT_TRUE(letter.isLetterOrNumber()) << "a label without a mnemonic";
      letters.insert(letter), ++mnemonics;
      QWidget* buddy = label->buddy();
      ASSERT_NE(buddy, nullptr);
      QWidget* field = form->itemAt(row, QFormLayout::FieldRole)->widget();
      EXPECT_TRUE(buddy == field || field->isAncestorOf(buddy)) << "the label names another row's control";
      EXPECT_TRUE(buddy->focusPolicy() & Qt::TabFocus) << "the mnemonic must be able to focus it";
    }
    EXPECT_EQ(letters.size(), mnemonics) << "no letter serves two controls";
  }
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
  const std::tuple<QComboBox*, int, const char*, const char*> presses[] = {
      {appearance.popupAtButton(), Qt::Key_Up, "popupPosition", "cursor"},
      {appearance.popupAtButton(), Qt::Key_Down, "popupPosition", "center"},
      {appearance.pinToButton(), Qt::Key_Down, "pinTo", "bottom"},
      {general.sortByButton(), Qt::Key_Up, "sortBy", "firstCopiedAt"}};
  for (const auto& [popUp, key, setting, value] : presses) {
    pressKey(popUp, key);
    EXPECT_EQ(stored().stringForKey(setting), value);
  }
}

// Each box shows its setting every time its pane appears, and writes it the moment it is clicked.
TEST_F(PreferencePanesTest, CheckBoxesShowTheirSettingOnEachAppearanceAndWriteItWhenClicked) {
  const struct {
    QCheckBox* box;
    const char* setting;
    bool checkedAtFirst;
    bool writtenOnClick;
  } rows[] = {
      {appearance.showFooterButton(), "hideFooter", true, true},
      {appearance.showTitleButton(), "hideTitle", false, false},
      {appearance.showSearchFieldButton(), "hideSearch", true, true},
      {appearance.showMenuIconButton(), "showInStatusBar", true, false},
      {general.fuzzySearchButton(), "fuzzySearch", false, true},
      {general.pasteAutomaticallyButton(), "pasteByDefault", true, false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.setting);
    appearance.viewWillAppear();
    general.viewWillAppear();
    EXPECT_EQ(row.box->isChecked(), row.checkedAtFirst);
    row.box->click();
    EXPECT_EQ(stored().persistentObjectForKey(row.setting), Defaults::Value(row.writtenOnClick));
    defaults.setBool(row.setting, !row.writtenOnClick);  // another program sets it back
    appearance.viewWillAppear();
    general.viewWillAppear();
    EXPECT_EQ(row.box->isChecked(), row.checkedAtFirst);
  }
  EXPECT_FALSE(stored().persistentObjectForKey("historySize")) << "showing writes nothing";
}

TEST_F(PreferencePanesTest, WhatTheDesktopPortalsAnsweredIsExplainedOnlyWhenItMatters) {
  EXPECT_TRUE(general.shortcutNote()->isHidden()) << "no portal, no note";
  PortalStatus status;
  context->portalStatus = &status;
  strings.set("preferences_shortcut_desktop_trigger", "The desktop uses %@.");
  strings.set("preferences_shortcut_desktop_refused", "Bind a key yourself.");
  GeneralPreferencesViewController pane{*context};
  const std::tuple<PortalStatus::Shortcut, const char*, QString> rows[] = {  // an empty note is hidden
      {PortalStatus::Shortcut::pending, "", ""},
      {PortalStatus::Shortcut::bound, "Ctrl+Shift+V", ""},
      {PortalStatus::Shortcut::reassigned, "Ctrl+Alt+H", "The desktop uses Ctrl+Alt+H."},
      {PortalStatus::Shortcut::refused, "", "Bind a key yourself."}};
  for (const auto& [state, trigger, note] : rows) {
    status.setShortcut(state, trigger);
    EXPECT_EQ(pane.shortcutNote()->isHidden() ? QString() : pane.shortcutNote()->text(), note) << trigger;
  }
  status.setPaste(PortalStatus::Paste::granted);
  EXPECT_TRUE(pane.pasteNote()->isHidden());
  status.setPaste(PortalStatus::Paste::refused);
  EXPECT_FALSE(pane.pasteNote()->isHidden()) << "a refused paste says why entries are only copied";
}

}  // namespace
}  // namespace marbrel::testing
