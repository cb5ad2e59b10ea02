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

// Key presses reach the recorder's rules as the keys they are: what each press leaves stored and shown.
TEST_F(ShortcutRecorderTest, PressesAreReadAsTheirKeysAndModifiers) {
  constexpr auto command = carbon_modifiers::kCommand, shift = carbon_modifiers::kShift;
  struct Row {
    const char* what;
    std::vector<std::tuple<int, Qt::KeyboardModifiers, const char*>> presses;
    Shortcut stored;
    QString shown;
    bool stillRecording;
  } rows[] = {
      {"plain and shifted letters are refused",
       {{Qt::Key_A, Qt::NoModifier, "a"}, {Qt::Key_A, Qt::ShiftModifier, "A"}}, ctrlShiftV(), "Ctrl+Shift+V", true},
      {"a plain function key is taken", {{Qt::Key_F5, Qt::NoModifier, ""}}, {96, 0}, "F5", false},
      {"modifier keys alone are skipped",
       {{Qt::Key_Control, Qt::ControlModifier, ""}, {Qt::Key_Shift, Qt::ControlModifier | Qt::ShiftModifier, ""},
        {Qt::Key_N, Qt::ControlModifier | Qt::ShiftModifier, "N"}},
       {45, command | shift}, "Ctrl+Shift+N", false},
      // The test keyboard gives no character for that key.
      {"Super, Ctrl and Alt together",
       {{Qt::Key_Y, Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier, "y"}},
       {16, command | carbon_modifiers::kOption | carbon_modifiers::kControl},
       QStringLiteral("Super+Ctrl+Alt+") + QChar(0xFFFD), false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    shortcuts.setShortcut(ctrlShiftV(), Name::popup());
    startRecording();
    for (const auto& [key, modifiers, text] : row.presses) pressKey(recorder, key, modifiers, text);
    EXPECT_EQ(popup(), row.stored);
    EXPECT_EQ(recorder->text(), row.shown);
    EXPECT_EQ(recorder->isRecording(), row.stillRecording);
    EXPECT_EQ(shortcuts.isPaused(), row.stillRecording);
    if (!row.stillRecording) EXPECT_TRUE(shortcuts.isRegistered(row.stored));
    if (row.stillRecording) other->setFocus();
  }
  EXPECT_FALSE(shortcuts.isRegistered(ctrlShiftV())) << "the last one recorded holds the hot key";
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

TEST_F(ShortcutRecorderTest, DeleteClearsTheShortcut) {
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
