#include <QAction>
#include <QLineEdit>
#include <QMouseEvent>
#include <QVBoxLayout>

#include "core/platform/ModifierFlags.h"
#include "fakes/FakeKeyboardLayout.h"
#include "shell/preferences/PreferencesMainWindow.h"
#include "shell/preferences/PreferencesWindowController.h"
#include "shell/preferences/QtPreferencesWindow.h"
#include "shell/preferences/ShortcutRecorder.h"
#include "widget/preferences/PreferencesFixture.h"

namespace marbrel::testing {
namespace {

// A window with the recorder for "popup" and a field to move the focus to.
struct ShortcutRecorderTest : PreferencesFixture {
  QWidget window;
  ShortcutRecorder* recorder = nullptr;
  QLineEdit* other = nullptr;

  void SetUp() override {
    auto* layout = new QVBoxLayout(&window);
    recorder = new ShortcutRecorder(shortcuts, notifications, Name::popup(), context->shortcutText,
                                    context->menuItems, strings);
    other = new QLineEdit;
    layout->addWidget(recorder);
    layout->addWidget(other);
    // The window's own focus: nothing records until the field is clicked.
    window.setFocusPolicy(Qt::ClickFocus);
    window.setFocus();
    ASSERT_TRUE(activate(window));
  }

  void startRecording() {
    recorder->setFocus(Qt::MouseFocusReason);
    ASSERT_TRUE(processEventsUntil([&] { return recorder->isRecording(); }));
  }
  std::optional<Shortcut> popup() const { return shortcuts.getShortcut(Name::popup()); }

  static Shortcut ctrlShiftV() { return {9, carbon_modifiers::kCommand | carbon_modifiers::kShift}; }
};

TEST_F(ShortcutRecorderTest, ShowsTheStoredShortcutAndThePlaceholderForEachState) {
  EXPECT_EQ(recorder->text(), "Ctrl+Shift+V");
  EXPECT_EQ(recorder->placeholderText(), "Record Shortcut");
  EXPECT_TRUE(recorder->cancelButton()->isVisible());
  EXPECT_FALSE(recorder->isRecording());

  startRecording();
  EXPECT_EQ(recorder->placeholderText(), "Press Shortcut");
  EXPECT_TRUE(shortcuts.isPaused());  // registered hot keys do not fire while recording

  other->setFocus();
  ASSERT_TRUE(processEventsUntil([&] { return !recorder->isRecording(); }));
  EXPECT_EQ(recorder->placeholderText(), "Record Shortcut");
  EXPECT_FALSE(shortcuts.isPaused());
}

TEST_F(ShortcutRecorderTest, RefusesAPlainLetterAndKeepsRecording) {
  startRecording();
  pressKey(recorder, Qt::Key_A, Qt::NoModifier, "a");
  pressKey(recorder, Qt::Key_A, Qt::ShiftModifier, "A");
  EXPECT_EQ(popup(), ctrlShiftV());
  EXPECT_TRUE(recorder->isRecording());
  EXPECT_EQ(recorder->text(), "Ctrl+Shift+V");
}

TEST_F(ShortcutRecorderTest, AcceptsAPlainFunctionKeyAndStopsRecording) {
  startRecording();
  pressKey(recorder, Qt::Key_F5);
  EXPECT_EQ(popup(), (Shortcut{96, 0}));
  EXPECT_EQ(recorder->text(), "F5");
  EXPECT_FALSE(recorder->isRecording());
  EXPECT_FALSE(recorder->hasFocus());
  EXPECT_FALSE(shortcuts.isPaused());
  EXPECT_TRUE(shortcuts.isRegistered(Shortcut{96, 0}));
  EXPECT_FALSE(shortcuts.isRegistered(ctrlShiftV()));
}

TEST_F(ShortcutRecorderTest, RecordsAModifiedKeyWithItsModifiers) {
  startRecording();
  pressKey(recorder, Qt::Key_Y, Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier, "y");
  EXPECT_EQ(popup(), (Shortcut{16, carbon_modifiers::kCommand | carbon_modifiers::kOption |
                                       carbon_modifiers::kControl}));
  // The test keyboard gives no character for that key.
  EXPECT_EQ(recorder->text(), QStringLiteral("Super+Ctrl+Alt+") + QChar(0xFFFD));
}

TEST_F(ShortcutRecorderTest, ModifierKeysAloneAreNotRecorded) {
  startRecording();
  pressKey(recorder, Qt::Key_Control, Qt::ControlModifier);
  pressKey(recorder, Qt::Key_Shift, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_TRUE(recorder->isRecording());
  pressKey(recorder, Qt::Key_N, Qt::ControlModifier | Qt::ShiftModifier, "N");
  EXPECT_EQ(popup(), (Shortcut{45, carbon_modifiers::kCommand | carbon_modifiers::kShift}));
}

TEST_F(ShortcutRecorderTest, RefusesAMenuItemsCombinationWithAnAlertAndRecordsAgainAfterIt) {
  startRecording();
  AlertCatcher alert;
  pressKey(recorder, Qt::Key_Q, Qt::ControlModifier, "\x11");
  ASSERT_TRUE(alert.wait());
  EXPECT_EQ(alert.text(), QString::fromUtf8("This shortcut cannot be used because it is already used by the menu "
                                            "item “Quit”."));
  EXPECT_EQ(popup(), ctrlShiftV());
  EXPECT_TRUE(processEventsUntil([&] { return recorder->isRecording(); }));  // the field has the focus again
}

TEST_F(ShortcutRecorderTest, RefusesASystemReservedCombinationWithAnAlert) {
  hotKeys.setReserved({{0, carbon_modifiers::kCommand | carbon_modifiers::kOption, true}});
  startRecording();
  AlertCatcher alert;
  pressKey(recorder, Qt::Key_A, Qt::ControlModifier | Qt::AltModifier, "a");
  ASSERT_TRUE(alert.wait());
  EXPECT_EQ(alert.text(), "This shortcut cannot be used because it is already used by the desktop.");
  EXPECT_EQ(alert.informative(), "Most desktop shortcuts can be changed in the desktop's keyboard settings.");
  EXPECT_EQ(popup(), ctrlShiftV());
}

TEST_F(ShortcutRecorderTest, EscapeEndsRecordingAndDeleteClearsTheShortcut) {
  startRecording();
  pressKey(recorder, Qt::Key_Escape);
  EXPECT_FALSE(recorder->hasFocus());
  EXPECT_EQ(popup(), ctrlShiftV());

  startRecording();
  pressKey(recorder, Qt::Key_Backspace, Qt::NoModifier, "\b");
  EXPECT_EQ(popup(), std::nullopt);
  EXPECT_EQ(stored().persistentObjectForKey("KeyboardShortcuts_popup"), Defaults::Value(false));
  EXPECT_EQ(recorder->text(), "");
  EXPECT_FALSE(recorder->cancelButton()->isVisible());
}

TEST_F(ShortcutRecorderTest, TheCancelButtonClearsTheShortcut) {
  recorder->cancelButton()->trigger();
  EXPECT_EQ(popup(), std::nullopt);
  EXPECT_EQ(recorder->text(), "");
  EXPECT_FALSE(recorder->cancelButton()->isVisible());
  EXPECT_FALSE(shortcuts.isRegistered(ctrlShiftV()));
}

TEST_F(ShortcutRecorderTest, TabEndsRecordingAndMovesTheFocusOn) {
  startRecording();
  pressKey(recorder, Qt::Key_Tab, Qt::NoModifier, "\t");
  EXPECT_TRUE(processEventsUntil([&] { return other->hasFocus(); }));
  EXPECT_FALSE(recorder->isRecording());
  EXPECT_EQ(popup(), ctrlShiftV());
}

TEST_F(ShortcutRecorderTest, AClickOutsideEndsRecordingAndAClickInsideDoesNot) {
  startRecording();
  const QPointF inside(recorder->width() + 2, 1);  // within the 3-pixel margin
  QMouseEvent insideRelease(QEvent::MouseButtonRelease, inside, recorder->mapToGlobal(inside), Qt::LeftButton,
                            Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(recorder, &insideRelease);
  EXPECT_TRUE(recorder->isRecording());

  const QPointF elsewhere(5, 5);
  QMouseEvent outsideRelease(QEvent::MouseButtonRelease, elsewhere, other->mapToGlobal(elsewhere),
                             Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(other, &outsideRelease);
  EXPECT_FALSE(recorder->isRecording());
  EXPECT_FALSE(shortcuts.isPaused());
}

TEST_F(ShortcutRecorderTest, WindowShortcutsDoNotFireWhileRecording) {
  int fired = 0;
  auto* close = new QAction(&window);
  close->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_W));
  window.addAction(close);
  QObject::connect(close, &QAction::triggered, [&] { ++fired; });
  startRecording();
  pressKey(recorder, Qt::Key_W, Qt::ControlModifier, "\x17");
  EXPECT_EQ(fired, 0);
  EXPECT_EQ(popup(), (Shortcut{13, carbon_modifiers::kCommand}));  // recorded instead
  pressKey(other, Qt::Key_W, Qt::ControlModifier, "\x17");
  EXPECT_EQ(fired, 1);  // and the window's shortcut works again afterwards
}

TEST_F(ShortcutRecorderTest, FollowsChangesMadeElsewhere) {
  shortcuts.setShortcut(Shortcut{96, 0}, Name::popup());
  EXPECT_EQ(recorder->text(), "F5");
  shortcuts.setShortcut(std::nullopt, Name::popup());
  EXPECT_EQ(recorder->text(), "");
}

// The program's own preferences window, with the keyboard set to "us,ru" and Russian selected: the
// recorder shows and checks shortcuts by the Latin letters programs match them by, not by the
// Cyrillic letters the keys type now.
TEST_F(PreferencesFixture, TheDesktopRecorderReadsKeysFromTheLatinLayoutWhileAnotherIsSelected) {
  FakeKeyboardLayout keyboard;
  keyboard.addSource("us");
  keyboard.addSource("ru", /*asciiCapable=*/false);
  const std::pair<std::uint16_t, const char*> keys[] = {
      {9, "v"}, {12, "q"}, {43, ","}, {45, "n"}};
  const std::pair<std::uint16_t, const char*> russian[] = {
      {9, "\xD0\xBC"}, {12, "\xD0\xB9"}, {43, "\xD0\xB1"}, {45, "\xD1\x82"}};
  for (const auto& [code, text] : keys) keyboard.setText("us", code, text);
  for (const auto& [code, text] : russian) keyboard.setText("ru", code, text);
  keyboard.select("ru");
  std::unique_ptr<QtPreferencesWindow> preferences = QtPreferencesWindow::forDesktop(
      configuration, shortcuts, notifications, strings, keyboard, []() -> std::vector<MenuKeyEquivalent> {
        return {{"q", cocoa_flags::kCommand, "Quit"}, {",", cocoa_flags::kCommand, "Preferences…"}};
      }, alerts, {});
  preferences->show();
  auto* recorder = preferences->controller()->window().findChild<ShortcutRecorder*>();
  ASSERT_NE(recorder, nullptr);
  EXPECT_EQ(recorder->text(), "Ctrl+Shift+V");

  const Shortcut ctrlShiftV{9, carbon_modifiers::kCommand | carbon_modifiers::kShift};
  const std::pair<int, const char*> taken[] = {{Qt::Key_Q, "Quit"}, {Qt::Key_Comma, "Preferences…"}};
  for (const auto& [key, item] : taken) {
    SCOPED_TRACE(item);
    recorder->setFocus(Qt::MouseFocusReason);
    ASSERT_TRUE(processEventsUntil([&] { return recorder->isRecording(); }));
    AlertCatcher alert;
    pressKey(recorder, key, Qt::ControlModifier);
    ASSERT_TRUE(alert.wait()) << "the menu item's combination is refused";
    EXPECT_TRUE(alert.text().contains(QString::fromUtf8(item)));
    EXPECT_EQ(shortcuts.getShortcut(Name::popup()), ctrlShiftV);
    recorder->clearFocus();
    ASSERT_TRUE(processEventsUntil([&] { return !recorder->isRecording(); }));
  }
}

}  // namespace
}  // namespace marbrel::testing
