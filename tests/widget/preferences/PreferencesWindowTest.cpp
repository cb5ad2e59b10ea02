#include <QAbstractAnimation>
#include <QAction>

#include "fakes/FakeKeyboardLayout.h"
#include "shell/preferences/PreferencePane.h"
#include "shell/preferences/PreferencesMainWindow.h"
#include "shell/preferences/PreferencesTabViewController.h"
#include "shell/preferences/PreferencesWindowController.h"
#include "shell/preferences/QtPreferencesWindow.h"
#include "shell/preferences/ShortcutRecorder.h"
#include "shell/preferences/ToolbarItemStyleViewController.h"
#include "widget/preferences/PreferencesFixture.h"

namespace marbrel::testing {
namespace {

struct PreferencesWindowTest : PreferencesFixture {
  QtPreferencesWindow preferences{*context};

  PreferencesWindowController& controller() { return *preferences.controller(); }
  PreferencesMainWindow& window() { return controller().window(); }
  PreferencesTabViewController& tabs() { return controller().tabViewController(); }
  PreferencePane& pane(int index) { return *tabs().preferencePanes().at(index); }
  QAction* item(const char* identifier) {
    return tabs().styleController()->toolbarItem(QString::fromLatin1(identifier));
  }
  // Lets a running pane switch finish at once.
  void landTransition() {
    if (QAbstractAnimation* running = tabs().runningTransition()) running->setCurrentTime(running->totalDuration());
  }
};

// The pane, not the recorder (which records any key), holds the focus; a reversed switch lands.
TEST_F(PreferencesWindowTest, ShowsItsPanesOneAtATimeAtTheirSizeAndKeepsThePaneAndPlace) {
  preferences.show();
  ASSERT_TRUE(activate(window()));
  EXPECT_EQ(QApplication::focusWidget(), &pane(0));
  EXPECT_EQ(window().minimumSize(), window().maximumSize()) << "the user cannot resize it";
  const QPoint top = window().geometry().topLeft();
  item("appearance")->trigger();
  tabs().runningTransition()->setCurrentTime(100);
  item("general")->trigger();
  tabs().runningTransition()->setCurrentTime(100);
  item("appearance")->trigger();
  landTransition();
  EXPECT_EQ(window().size(), tabs().windowSizeForPane(pane(1)));
  EXPECT_NE(window().size(), tabs().windowSizeForPane(pane(0))) << "the panes should differ for this to mean anything";
  EXPECT_EQ(window().geometry().topLeft(), top);
  EXPECT_TRUE(!pane(0).isVisible() && pane(1).isVisible() && !pane(1).graphicsEffect());
  window().move(40, 50);
  const QPoint place = window().frameGeometry().topLeft();
  window().close();
  preferences.show();
  EXPECT_EQ(window().windowTitle(), "Appearance \u2013 Marbrel");
  EXPECT_EQ(window().frameGeometry().topLeft(), place);
}

// With Russian selected, a menu item's combination is refused by its Latin letter, not the Cyrillic.
TEST_F(PreferencesFixture, TheDesktopWindowReadsKeysFromTheLatinLayout) {
  FakeKeyboardLayout keyboard;
  keyboard.addSource("us");
  keyboard.addSource("ru", /*asciiCapable=*/false);
  for (const auto& [code, latin, cyrillic] : {std::tuple<std::uint16_t, const char*, const char*>{9, "v", "м"},
                                              {12, "q", "й"}, {43, ",", "б"}, {45, "n", "т"}}) {
    keyboard.setText("us", code, latin);
    keyboard.setText("ru", code, cyrillic);
  }
  keyboard.select("ru");
  auto desktop = QtPreferencesWindow::forDesktop(configuration, shortcuts, notifications, strings, keyboard, [] {
    return std::vector<MenuKeyEquivalent>{{"q", cocoa_flags::kCommand, "Quit"}, {",", cocoa_flags::kCommand, "Preferences…"}};
  }, alerts, {});
  desktop->show();
  auto* recorder = desktop->controller()->window().findChild<ShortcutRecorder*>();
  ASSERT_NE(recorder, nullptr);
  EXPECT_EQ(recorder->text(), "Ctrl+Shift+V");
  for (const auto& [key, item] : {std::pair<int, const char*>{Qt::Key_Q, "Quit"}, {Qt::Key_Comma, "Preferences…"}}) {
    SCOPED_TRACE(item);
    recorder->setFocus(Qt::MouseFocusReason);
    ASSERT_TRUE(processEventsUntil([&] { return recorder->isRecording(); }));
    AlertCatcher alert;
    pressKey(recorder, key, Qt::ControlModifier);
    ASSERT_TRUE(alert.wait()) << "the menu item's combination is refused";
    EXPECT_TRUE(alert.text().endsWith(QString::fromUtf8("the menu item “%1”.").arg(QString::fromUtf8(item))));
    EXPECT_EQ(shortcuts.getShortcut(Name::popup()), (Shortcut{9, carbon_modifiers::kCommand | carbon_modifiers::kShift}));
    recorder->clearFocus();
    ASSERT_TRUE(processEventsUntil([&] { return !recorder->isRecording(); }));
  }
}

}  // namespace
}  // namespace marbrel::testing
