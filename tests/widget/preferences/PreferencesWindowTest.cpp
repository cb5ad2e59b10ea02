#include <QAbstractAnimation>
#include <QAction>
#include <QCheckBox>
#include <QGuiApplication>
#include <QScreen>
#include <QToolBar>

#include "core/app/PreferencesWindowFrame.h"
#include "fakes/FakeKeyboardLayout.h"
#include "shell/preferences/AppearancePreferencesViewController.h"
#include "shell/preferences/GeneralPreferencesViewController.h"
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

TEST_F(PreferencesWindowTest, FirstShowingShowsTheGeneralPaneCentredOnTheScreen) {
  EXPECT_EQ(preferences.controller(), nullptr);  // built on the first showing
  preferences.show();
  ASSERT_NE(preferences.controller(), nullptr);
  EXPECT_EQ(tabs().activeTab(), 0);
  EXPECT_EQ(tabs().styleController()->selectedItemIdentifier(), "general");
  const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
  const QRect frame = window().frameGeometry();
  EXPECT_EQ(frame.x(), screen.x() + screen.width() / 2 - frame.width() / 2);
  EXPECT_EQ(frame.y(), screen.y() + screen.height() / 2 - frame.height() / 2);
  // Once the window is active the pane holds the focus: the shortcut recorder, which records
  // whatever is pressed while focused, does not take it unasked.
  ASSERT_TRUE(activate(window()));
  EXPECT_EQ(QApplication::focusWidget(), &pane(0));
  EXPECT_FALSE(shortcuts.isPaused());

  // The content is exactly the pane; the user can neither resize the window nor hide or move the toolbar.
  EXPECT_EQ(window().size(), tabs().windowSizeForPane(pane(0)));
  EXPECT_EQ(window().minimumSize(), window().maximumSize());
  EXPECT_TRUE(tabs().toolbar()->isVisible());
  EXPECT_FALSE(tabs().toolbar()->isMovable() || tabs().toolbar()->toggleViewAction()->isEnabled());
  EXPECT_EQ(window().createPopupMenu(), nullptr);
}

TEST_F(PreferencesWindowTest, ChoosingAppearanceResizesOverAQuarterSecondKeepingTheTopEdge) {
  preferences.show();
  const QRect before = window().geometry();
  item("appearance")->trigger();
  QAbstractAnimation* running = tabs().runningTransition();
  ASSERT_NE(running, nullptr);
  EXPECT_EQ(running->totalDuration(), 250);
  EXPECT_EQ(tabs().activeTab(), 1);
  EXPECT_EQ(tabs().styleController()->selectedItemIdentifier(), "appearance");

  const QSize target = tabs().windowSizeForPane(pane(1));
  ASSERT_NE(target, before.size()) << "the panes should differ in size for this test to mean anything";
  running->setCurrentTime(125);
  EXPECT_EQ(window().geometry().topLeft(), before.topLeft());
  // Ease in, ease out: exactly half way at half time.
  EXPECT_NEAR(window().height(), (before.height() + target.height()) / 2.0, 2.0);

  landTransition();
  EXPECT_EQ(tabs().runningTransition(), nullptr);
  EXPECT_EQ(window().size(), target);
  EXPECT_EQ(window().geometry().topLeft(), before.topLeft());
  EXPECT_FALSE(pane(0).isVisible());
  EXPECT_TRUE(pane(1).isVisible());
  EXPECT_EQ(pane(1).graphicsEffect(), nullptr) << "the fade is over";

  // Switching back midway lands the first switch first.
  item("general")->trigger();
  tabs().runningTransition()->setCurrentTime(100);
  item("appearance")->trigger();
  landTransition();
  EXPECT_EQ(tabs().activeTab(), 1);
  EXPECT_EQ(window().size(), target);
  EXPECT_FALSE(pane(0).isVisible());
}

TEST_F(PreferencesWindowTest, ShowingAgainKeepsThePaneLastShownAndItsPlace) {
  preferences.show();
  item("appearance")->trigger();
  landTransition();
  window().move(40, 50);
  const QPoint place = window().frameGeometry().topLeft();
  window().close();
  const auto saved = PreferencesWindowFrame(defaults).saved();
  ASSERT_TRUE(saved) << "closing saves the frame";
  EXPECT_EQ(QPoint(saved->x, saved->y), place);
  preferences.show();
  EXPECT_EQ(tabs().activeTab(), 1);
  EXPECT_EQ(window().windowTitle(), "Appearance \u2013 Marbrel");
  EXPECT_EQ(window().frameGeometry().topLeft(), place);
}

TEST_F(PreferencesWindowTest, ShowWithAnIdentifierSelectsItsPaneOrTheFirstWithoutAnimating) {
  preferences.show();
  const QRect before = window().geometry();
  item("general")->trigger();  // the pane shown: nothing moves
  EXPECT_EQ(tabs().runningTransition(), nullptr);
  EXPECT_EQ(window().geometry(), before);
  controller().show(QStringLiteral("appearance"));
  EXPECT_EQ(tabs().activeTab(), 1);
  EXPECT_EQ(tabs().runningTransition(), nullptr);
  EXPECT_EQ(window().size(), tabs().windowSizeForPane(pane(1)));
  controller().show(QStringLiteral("no such pane"));
  EXPECT_EQ(tabs().activeTab(), 0);
}

TEST_F(PreferencesWindowTest, ASinglePaneHidesTheToolbarAndNoPaneIsRefused) {
  std::vector<std::unique_ptr<PreferencePane>> panes;
  panes.push_back(std::make_unique<AppearancePreferencesViewController>(*context));
  PreferencesWindowFrame frame(defaults);
  PreferencesWindowController single(std::move(panes), true, true, frame, "Preferences");
  single.show();
  EXPECT_FALSE(single.tabViewController().toolbar()->isVisible());
  EXPECT_TRUE(single.window().windowTitle().endsWith(" Preferences"));
  single.setHidesToolbarForSingleItem(false);
  EXPECT_TRUE(single.tabViewController().toolbar()->isVisible());
  single.window().close();
  EXPECT_THROW(PreferencesWindowController({}, true, true, frame, "Preferences"), std::invalid_argument);
}

// The program's own window, with the keyboard set to "us,ru" and Russian selected: its box writes the
// autostart entry under XDG_CONFIG_HOME and shows whether it is there, and its recorder refuses a
// menu item's combination by the Latin letters programs match them by, not by the Cyrillic letters
// the keys type now.
TEST_F(PreferencesFixture, TheDesktopWindowWritesTheAutostartEntryAndReadsKeysFromTheLatinLayout) {
  const QByteArray savedConfig = qgetenv("XDG_CONFIG_HOME");
  qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString((dir / "config").string()));
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

  auto& general = static_cast<GeneralPreferencesViewController&>(
      *desktop->controller()->tabViewController().preferencePanes().at(0));
  const LaunchAtLogin written(dir / "config" / "autostart" / LaunchAtLogin::kEntryName, "");
  general.launchAtLoginButton()->click();
  EXPECT_TRUE(written.isEnabled());
  EXPECT_TRUE(general.launchAtLoginButton()->isChecked());
  general.launchAtLoginButton()->click();
  EXPECT_FALSE(written.isEnabled());
  general.launchAtLoginButton()->click();
  std::filesystem::remove(written.entryFile());  // behind the pane's back: its next appearance shows it off
  general.viewWillAppear();
  EXPECT_FALSE(general.launchAtLoginButton()->isChecked());
  if (savedConfig.isNull()) qunsetenv("XDG_CONFIG_HOME");
  else qputenv("XDG_CONFIG_HOME", savedConfig);

  auto* recorder = desktop->controller()->window().findChild<ShortcutRecorder*>();
  ASSERT_NE(recorder, nullptr);
  EXPECT_EQ(recorder->text(), "Ctrl+Shift+V");
  const Shortcut ctrlShiftV{9, carbon_modifiers::kCommand | carbon_modifiers::kShift};
  for (const auto& [key, item] : {std::pair<int, const char*>{Qt::Key_Q, "Quit"}, {Qt::Key_Comma, "Preferences…"}}) {
    SCOPED_TRACE(item);
    recorder->setFocus(Qt::MouseFocusReason);
    ASSERT_TRUE(processEventsUntil([&] { return recorder->isRecording(); }));
    AlertCatcher alert;
    pressKey(recorder, key, Qt::ControlModifier);
    ASSERT_TRUE(alert.wait()) << "the menu item's combination is refused";
    EXPECT_EQ(alert.text(), QString::fromUtf8("This shortcut cannot be used because it is already used by the menu item “") +
                                QString::fromUtf8(item) + QString::fromUtf8("”."));
    EXPECT_EQ(shortcuts.getShortcut(Name::popup()), ctrlShiftV);
    EXPECT_TRUE(processEventsUntil([&] { return recorder->isRecording(); })) << "the field has the focus again";
    recorder->clearFocus();
    ASSERT_TRUE(processEventsUntil([&] { return !recorder->isRecording(); }));
  }
}

}  // namespace
}  // namespace marbrel::testing
