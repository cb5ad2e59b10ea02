#include <QCheckBox>
#include <QLabel>

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

  void appear() {
    appearance.viewWillAppear();
    general.viewWillAppear();
  }
};

// Selects the box's text and types `digits`, then presses Return unless told not to.
void type(NumberBox& box, const std::string& digits, bool enter = true) {
  box.selectAll();
  for (const char digit : digits) pressKey(&box, Qt::Key_0 + (digit - '0'), Qt::NoModifier, QString(QChar(digit)));
  if (enter) pressKey(&box, Qt::Key_Return);
}

// Typed digits count once Return is pressed, a step at once; Home and End move the caret, not the
// value; each appearance shows what another program wrote. A history size that deletes entries is
// written only once the user agrees: Cancel leaves the box at the size in force, and stepping down
// past what is stored asks once, about the size the user stops at.
TEST_F(PreferencePanesTest, SizeBoxesWriteATypedNumberOnReturnAndAStepAtOnceAndAskBeforeDeleting) {
  appear();
  EXPECT_EQ(appearance.menuSizeBox()->text(), "All") << "no limit on the menu's size";
  NumberBox& menuSize = *appearance.menuSizeBox();
  type(menuSize, "20", false);
  EXPECT_FALSE(stored().persistentObjectForKey("maxMenuItems"));
  pressKey(&menuSize, Qt::Key_Return);
  EXPECT_EQ(stored().integerForKey("maxMenuItems"), 20);
  EXPECT_EQ(menuSize.text(), "20 entries");
  pressKey(&menuSize, Qt::Key_Down);
  EXPECT_EQ(stored().integerForKey("maxMenuItems"), 19);
  defaults.setInteger("maxMenuItems", 1);
  appear();
  EXPECT_EQ(menuSize.text(), "1 entry");

  NumberBox& box = *general.historySizeBox();
  EXPECT_EQ(box.text(), "200 entries");
  pressKey(&box, Qt::Key_Home);
  pressKey(&box, Qt::Key_End);
  EXPECT_FALSE(stored().persistentObjectForKey("historySize"));
  storedEntries = 150;
  alerts.answer = Alerts::kFirstButtonReturn;  // Cancel
  type(box, "20");
  ASSERT_TRUE(processEventsUntil([&] { return !alerts.shown.empty(); }));
  EXPECT_FALSE(stored().persistentObjectForKey("historySize"));
  EXPECT_EQ(box.value(), 200);
  storedEntries = 200;
  alerts.answer = Alerts::kSecondButtonReturn;
  for (int step = 0; step < 3; ++step) pressKey(&box, Qt::Key_Down);
  EXPECT_TRUE(alerts.shown.size() == 1u && !stored().persistentObjectForKey("historySize")) << "not yet";
  ASSERT_TRUE(processEventsUntil([&] { return alerts.shown.size() == 2u; }));
  EXPECT_EQ(alerts.shown[1].informativeArguments, (std::vector<std::string>{"200", "197", "3"}));
  EXPECT_EQ(stored().integerForKey("historySize"), 197);
}

// Each box writes its own setting when clicked, and shows it again at every appearance.
TEST_F(PreferencePanesTest, EachBoxWritesItsOwnSettingAndShowsItOnEachAppearance) {
  const struct {
    QCheckBox* box;
    const char* setting;
    bool checkedAtFirst;
    bool writtenOnClick;
  } boxes[] = {
      {appearance.showFooterButton(), "hideFooter", true, true},
      {appearance.showTitleButton(), "hideTitle", false, false},
      {appearance.showSearchFieldButton(), "hideSearch", true, true},
      {appearance.showMenuIconButton(), "showInStatusBar", true, false},
      {general.fuzzySearchButton(), "fuzzySearch", false, true},
      {general.pasteAutomaticallyButton(), "pasteByDefault", true, false},
  };
  for (const auto& row : boxes) {
    SCOPED_TRACE(row.setting);
    appear();
    EXPECT_EQ(row.box->isChecked(), row.checkedAtFirst);
    row.box->click();
    EXPECT_EQ(stored().persistentObjectForKey(row.setting), Defaults::Value(row.writtenOnClick));
    defaults.setBool(row.setting, !row.writtenOnClick);  // another program sets it back
    appear();
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
