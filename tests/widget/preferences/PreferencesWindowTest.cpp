#include <algorithm>
#include <functional>
#include <iterator>

#include <QAbstractAnimation>
#include <QAbstractSpinBox>
#include <QAction>
#include <QFormLayout>
#include <QImage>
#include <QLabel>
#include <QMessageBox>
#include <QTimer>

#include "fakes/FakeKeyboardLayout.h"
#include "shell/preferences/AboutDialog.h"
#include "shell/preferences/AboutWindowPresenter.h"
#include "shell/preferences/GeneralPreferencesViewController.h"
#include "shell/preferences/NumberBox.h"
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
  QAction* item(const char* identifier) { return tabs().styleController()->toolbarItem(QLatin1String(identifier)); }
  ShortcutRecorder& recorder() { return *window().findChild<ShortcutRecorder*>(); }
};

// Every one of `controls` lies inside the window, overlaps no other and shows on its background.
void expectEachControlDrawnApart(QWidget& window, const std::vector<QWidget*>& controls) {
  const QImage image = window.grab().toImage();
  const qreal scale = image.devicePixelRatio();
  const QRgb background = image.pixel(QPoint(2, 2) * scale);
  std::vector<QRect> placed;
  for (QWidget* control : controls) {
    SCOPED_TRACE(control->objectName().toStdString() + " " + control->metaObject()->className());
    ASSERT_TRUE(control->isVisible());
    const QRect area(control->mapTo(&window, QPoint(0, 0)), control->size());
    EXPECT_TRUE(window.rect().contains(area)) << "cut off by the window's edge";
    for (const QRect& other : placed) EXPECT_FALSE(area.intersects(other)) << "drawn over another control";
    placed.push_back(area);
    const QRect pixels = QRect(area.topLeft() * scale, area.size() * scale).intersected(image.rect());
    int drawn = 0;
    for (int y = pixels.top(); y <= pixels.bottom(); ++y) {
      for (int x = pixels.left(); x <= pixels.right(); ++x) drawn += image.pixel(x, y) != background ? 1 : 0;
    }
    EXPECT_GE(drawn, 30) << "drawn blank";
  }
}

// The labels and controls of a pane's form; a holder of several controls counts by its visible parts.
std::vector<QWidget*> formControls(QWidget& pane) {
  std::vector<QWidget*> controls;
  auto* form = qobject_cast<QFormLayout*>(pane.layout());
  for (int row = 0; form && row < form->rowCount(); ++row) {
    for (const auto role : {QFormLayout::LabelRole, QFormLayout::FieldRole}) {
      QWidget* widget = form->itemAt(row, role) ? form->itemAt(row, role)->widget() : nullptr;
      if (!widget) continue;
      const auto parts = widget->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
      if (!widget->layout() || parts.isEmpty() || qobject_cast<QAbstractSpinBox*>(widget)) controls.push_back(widget);
      else std::copy_if(parts.begin(), parts.end(), std::back_inserter(controls), std::mem_fn(&QWidget::isVisible));
    }
  }
  return controls;
}

// The pane, not the recorder (which records any key), holds the focus; a reversed switch lands.
TEST_F(PreferencesWindowTest, ShowsEachPaneWholeAtItsSizeAndKeepsThePaneAndPlace) {
  preferences.show();
  ASSERT_TRUE(activate(window()));
  EXPECT_EQ(QApplication::focusWidget(), &pane(0));
  EXPECT_EQ(window().minimumSize(), window().maximumSize()) << "the user cannot resize it";
  const auto general = formControls(pane(0));
  EXPECT_EQ(general.size(), 12u) << "six rows: a label and a control each";
  expectEachControlDrawnApart(window(), general);
  const QPoint top = window().geometry().topLeft();
  item("appearance")->trigger();
  tabs().runningTransition()->setCurrentTime(100);
  item("general")->trigger();
  tabs().runningTransition()->setCurrentTime(100);
  item("appearance")->trigger();
  QAbstractAnimation* running = tabs().runningTransition();  // the last switch, let finish at once
  if (running) running->setCurrentTime(running->totalDuration());
  EXPECT_EQ(window().size(), tabs().windowSizeForPane(pane(1)));
  EXPECT_EQ(window().geometry().topLeft(), top);
  EXPECT_TRUE(!pane(0).isVisible() && pane(1).isVisible() && !pane(1).graphicsEffect());
  const auto appearance = formControls(pane(1));
  EXPECT_EQ(appearance.size(), 14u) << "five labels, two pop-ups, the slider and its value, the size, four boxes";
  expectEachControlDrawnApart(window(), appearance);
  window().move(40, 50);
  const QPoint place = window().frameGeometry().topLeft();
  window().close();
  preferences.show();
  EXPECT_EQ(window().windowTitle(), "Appearance \u2013 Marbrel");
  EXPECT_EQ(window().frameGeometry().topLeft(), place);
}

TEST_F(PreferencesFixture, TheAboutWindowIsDrawnWhole) {
  AboutWindowPresenter about{strings};
  about.openAbout();
  ASSERT_NE(about.dialog(), nullptr);
  AboutDialog& dialog = *about.dialog();
  expectEachControlDrawnApart(dialog, {dialog.nameLabel(), dialog.versionLabel(), dialog.creditsLabel()});
}

// What each press leaves stored and shown; the window's shortcut fires only once recording ends.
TEST_F(PreferencesWindowTest, TheRecorderReadsPressesAsTheirKeysAndModifiersAndNotAsWindowShortcuts) {
  preferences.show();
  ASSERT_TRUE(activate(window()));
  int fired = 0;
  auto* close = new QAction(&window());
  close->setShortcut(QKeySequence(Qt::CTRL | Qt::ALT | Qt::META | Qt::Key_W));
  window().addAction(close);
  QObject::connect(close, &QAction::triggered, [&] { ++fired; });
  constexpr auto command = carbon_modifiers::kCommand;
  constexpr auto superCtrlAlt = Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier;
  const struct {
    std::vector<std::tuple<int, Qt::KeyboardModifiers, const char*>> presses;
    Shortcut stored;
    QString shown;
  } rows[] = {
      {{{Qt::Key_F5, Qt::NoModifier, ""}}, {96, 0}, "F5"},
      {{{Qt::Key_Control, Qt::ControlModifier, ""},  // modifier keys alone are skipped
        {Qt::Key_Shift, Qt::ControlModifier | Qt::ShiftModifier, ""},
        {Qt::Key_N, Qt::ControlModifier | Qt::ShiftModifier, "N"}},
       {45, command | carbon_modifiers::kShift}, "Ctrl+Shift+N"},
      // Super, Ctrl and Alt together; the test keyboard gives no character for that key.
      {{{Qt::Key_W, superCtrlAlt, "\x17"}}, {13, command | carbon_modifiers::kOption | carbon_modifiers::kControl},
       QStringLiteral("Super+Ctrl+Alt+") + QChar(0xFFFD)},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.shown.toStdString());
    recorder().setFocus(Qt::MouseFocusReason);
    ASSERT_TRUE(processEventsUntil([&] { return recorder().isRecording(); }));
    for (const auto& [key, modifiers, text] : row.presses) pressKey(&recorder(), key, modifiers, text);
    EXPECT_EQ(shortcuts.getShortcut(Name::popup()), row.stored);
    EXPECT_EQ(recorder().text(), row.shown);
    EXPECT_FALSE(recorder().isRecording() || shortcuts.isPaused());
  }
  EXPECT_EQ(fired, 0);
  pressKey(&pane(0), Qt::Key_W, superCtrlAlt, "\x17");
  EXPECT_EQ(fired, 1);
}

// With Russian selected, the Quit item's Ctrl+Q is refused by its Latin letter, not the Cyrillic.
TEST_F(PreferencesFixture, TheDesktopWindowReadsKeysFromTheLatinLayout) {
  FakeKeyboardLayout keyboard;
  keyboard.addSource("us");
  keyboard.addSource("ru", /*asciiCapable=*/false);
  for (const auto& [code, latin, cyrillic] : {std::tuple<int, const char*, const char*>{9, "v", "м"}, {12, "q", "й"}}) {
    keyboard.setText("us", code, latin);
    keyboard.setText("ru", code, cyrillic);
  }
  keyboard.select("ru");
  auto desktop = QtPreferencesWindow::forDesktop(configuration, shortcuts, notifications, strings, keyboard,
                                                 menuItems, alerts, {});
  desktop->show();
  auto* recorder = desktop->controller()->window().findChild<ShortcutRecorder*>();
  ASSERT_NE(recorder, nullptr);
  EXPECT_EQ(recorder->text(), "Ctrl+Shift+V");
  recorder->setFocus(Qt::MouseFocusReason);
  ASSERT_TRUE(processEventsUntil([&] { return recorder->isRecording(); }));
  QString shown;  // the refusal's message box, read and answered once it is up
  QObject::connect(recorder, &ShortcutRecorder::alertShown, [&] {
    QTimer::singleShot(0, [&] {
      if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) shown = box->text(), box->done(0);
    });
  });
  pressKey(recorder, Qt::Key_Q, Qt::ControlModifier);
  ASSERT_TRUE(processEventsUntil([&] { return !shown.isEmpty(); })) << "the menu item's combination is refused";
  EXPECT_TRUE(shown.endsWith(QString::fromUtf8("the menu item “Quit”."))) << shown.toStdString();
}

// A size that deletes entries is written only once the user agrees, and asked about once per change.
TEST_F(PreferencesFixture, TheHistorySizeBoxWritesOnReturnAndAsksOnceBeforeDeleting) {
  GeneralPreferencesViewController general{*context};
  general.viewWillAppear();
  NumberBox& box = *general.historySizeBox();
  storedEntries = 150;
  alerts.answer = Alerts::kFirstButtonReturn;  // Cancel
  box.selectAll();
  for (const auto& [key, digit] : {std::pair{Qt::Key_2, "2"}, {Qt::Key_0, "0"}}) pressKey(&box, key, {}, digit);
  EXPECT_EQ(box.value(), 200) << "typed digits count once Return is pressed";
  pressKey(&box, Qt::Key_Return);
  ASSERT_TRUE(processEventsUntil([&] { return !alerts.shown.empty(); }));
  EXPECT_FALSE(stored().persistentObjectForKey("historySize"));
  EXPECT_EQ(box.value(), 200) << "the box shows the size still in force";
  storedEntries = 200;
  alerts.answer = Alerts::kSecondButtonReturn;
  for (int step = 0; step < 3; ++step) pressKey(&box, Qt::Key_Down);
  EXPECT_TRUE(alerts.shown.size() == 1u && !stored().persistentObjectForKey("historySize")) << "not yet";
  ASSERT_TRUE(processEventsUntil([&] { return alerts.shown.size() == 2u; }));
  EXPECT_EQ(stored().integerForKey("historySize"), 197);
  EXPECT_EQ(box.text(), "197 entries");
}

}  // namespace
}  // namespace marbrel::testing
