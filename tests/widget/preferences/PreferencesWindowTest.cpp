#include <QAbstractAnimation>
#include <QAction>
#include <QCheckBox>
#include <QGuiApplication>
#include <QLayout>
#include <QScreen>
#include <QToolBar>
#include <QVariantAnimation>

#include "core/app/PreferencesWindowFrame.h"
#include "fakes/FakeKeyboardLayout.h"
#include "widget/preferences/PreferencesFixture.h"
#include "shell/preferences/AppearancePreferencesViewController.h"
#include "shell/preferences/GeneralPreferencesViewController.h"
#include "shell/preferences/PreferencesMainWindow.h"
#include "shell/preferences/PreferencesTabViewController.h"
#include "shell/preferences/PreferencesWindowController.h"
#include "shell/preferences/QtPreferencesWindow.h"
#include "shell/preferences/ToolbarItemStyleViewController.h"

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
  QRect screenArea() const { return QGuiApplication::primaryScreen()->availableGeometry(); }
};

TEST_F(PreferencesWindowTest, FirstShowingShowsTheGeneralPaneCentredOnTheScreen) {
  EXPECT_EQ(preferences.controller(), nullptr);  // built on the first showing
  preferences.show();
  ASSERT_NE(preferences.controller(), nullptr);
  EXPECT_TRUE(window().isVisible());
  EXPECT_EQ(tabs().activeTab(), 0);
  EXPECT_EQ(tabs().styleController()->selectedItemIdentifier(), "general");
  EXPECT_EQ(window().windowTitle(), "General \u2013 Marbrel");

  const QRect frame = window().frameGeometry();
  EXPECT_EQ(frame.x(), screenArea().x() + screenArea().width() / 2 - frame.width() / 2);
  EXPECT_EQ(frame.y(), screenArea().y() + screenArea().height() / 2 - frame.height() / 2);
  // Once the window is active the pane holds the focus: the shortcut recorder, which records
  // whatever is pressed while focused, does not take it unasked.
  ASSERT_TRUE(activate(window()));
  EXPECT_EQ(QApplication::focusWidget(), &pane(0));
  EXPECT_FALSE(shortcuts.isPaused());

  // The content is exactly the pane, pinned to its edges.
  EXPECT_EQ(window().centralWidget()->size(), pane(0).size());
  EXPECT_EQ(window().size(), tabs().windowSizeForPane(pane(0)));
  EXPECT_EQ(window().minimumSize(), window().maximumSize());  // not resizable by the user
  // The toolbar cannot be hidden or moved away.
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
  EXPECT_EQ(window().windowTitle(), "Appearance \u2013 Marbrel");
  EXPECT_EQ(tabs().styleController()->selectedItemIdentifier(), "appearance");

  const QSize target = tabs().windowSizeForPane(pane(1));
  ASSERT_NE(target, before.size()) << "the panes should differ in size for this test to mean anything";
  running->setCurrentTime(125);
  const QRect halfway = window().geometry();
  EXPECT_EQ(halfway.top(), before.top());
  EXPECT_EQ(halfway.left(), before.left());
  // Ease in, ease out: exactly half way at half time.
  EXPECT_NEAR(halfway.height(), (before.height() + target.height()) / 2.0, 2.0);

  running->setCurrentTime(running->totalDuration());
  EXPECT_EQ(tabs().runningTransition(), nullptr);
  EXPECT_EQ(window().size(), target);
  EXPECT_EQ(window().geometry().topLeft(), before.topLeft());
  EXPECT_FALSE(pane(0).isVisible());
  EXPECT_TRUE(pane(1).isVisible());
  EXPECT_EQ(pane(1).graphicsEffect(), nullptr);
  EXPECT_GE(tabs().layout()->indexOf(&pane(1)), 0);
  EXPECT_EQ(tabs().layout()->indexOf(&pane(0)), -1);
}

TEST_F(PreferencesWindowTest, SwitchingAgainMidwayLandsTheFirstSwitchFirst) {
  preferences.show();
  item("appearance")->trigger();
  tabs().runningTransition()->setCurrentTime(100);
  item("general")->trigger();
  landTransition();
  EXPECT_EQ(tabs().activeTab(), 0);
  EXPECT_EQ(window().size(), tabs().windowSizeForPane(pane(0)));
  EXPECT_TRUE(pane(0).isVisible());
  EXPECT_FALSE(pane(1).isVisible());
}

TEST_F(PreferencesWindowTest, ShowingAgainKeepsThePaneLastShownAndItsRememberedPlace) {
  preferences.show();
  item("appearance")->trigger();
  landTransition();
  window().move(40, 50);
  window().close();
  const auto saved = PreferencesWindowFrame(defaults).saved();
  ASSERT_TRUE(saved);
  EXPECT_EQ(saved->x, window().frameGeometry().x());
  EXPECT_EQ(saved->y, window().frameGeometry().y());
  EXPECT_EQ(stored().objectForKey(PreferencesWindowFrame::kAutosaveName).has_value(), true);

  preferences.show();
  EXPECT_EQ(tabs().activeTab(), 1);
  EXPECT_EQ(window().windowTitle(), "Appearance \u2013 Marbrel");
  EXPECT_EQ(window().frameGeometry().topLeft(), QPoint(saved->x, saved->y));
}

TEST_F(PreferencesWindowTest, ShowWithAnIdentifierSelectsItsPaneOrTheFirst) {
  preferences.show();
  const QRect before = window().geometry();
  item("general")->trigger();  // the pane shown: nothing moves
  EXPECT_EQ(tabs().runningTransition(), nullptr);
  EXPECT_EQ(window().geometry(), before);
  controller().show(QStringLiteral("appearance"));
  EXPECT_EQ(tabs().activeTab(), 1);
  EXPECT_EQ(tabs().runningTransition(), nullptr);  // not animated
  EXPECT_EQ(window().size(), tabs().windowSizeForPane(pane(1)));
  controller().show(QStringLiteral("no such pane"));
  EXPECT_EQ(tabs().activeTab(), 0);
}

TEST_F(PreferencesWindowTest, ASinglePaneHidesTheToolbarAndNamesTheProgram) {
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
}

TEST_F(PreferencesWindowTest, TheDesktopWindowStartsTheRunningProgramAtLogin) {
  const QByteArray saved = qgetenv("XDG_CONFIG_HOME");
  qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString((dir / "config").string()));
  FakeKeyboardLayout keyboard;
  auto desktop = QtPreferencesWindow::forDesktop(configuration, shortcuts, notifications, strings, keyboard,
                                                 [] { return std::vector<MenuKeyEquivalent>(); }, alerts, {});
  desktop->show();
  auto& general = static_cast<GeneralPreferencesViewController&>(
      *desktop->controller()->tabViewController().preferencePanes().at(0));
  general.launchAtLoginButton()->click();
  const LaunchAtLogin written(dir / "config" / "autostart" / LaunchAtLogin::kEntryName, "");
  EXPECT_TRUE(written.isEnabled());
  general.launchAtLoginButton()->click();
  EXPECT_FALSE(written.isEnabled());
  if (saved.isNull()) qunsetenv("XDG_CONFIG_HOME");
  else qputenv("XDG_CONFIG_HOME", saved);
}

TEST_F(PreferencesWindowTest, AnEmptyPaneListIsRefused) {
  PreferencesWindowFrame frame(defaults);
  EXPECT_THROW(PreferencesWindowController({}, true, true, frame, "Preferences"), std::invalid_argument);
}

}  // namespace
}  // namespace marbrel::testing
