#include <QAction>
#include <QLineEdit>
#include <QVBoxLayout>

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
  startRecording();
  EXPECT_EQ(recorder->placeholderText(), "Press Shortcut");
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
    EXPECT_TRUE(row.stillRecording || shortcuts.isRegistered(row.stored));
    if (row.stillRecording) other->setFocus();
  }
  EXPECT_FALSE(shortcuts.isRegistered(ctrlShiftV())) << "the last one recorded holds the hot key";
}

TEST_F(ShortcutRecorderTest, BackspaceWhileRecordingAndTheCancelButtonClearTheShortcut) {
  for (const bool byKey : {true, false}) {
    SCOPED_TRACE(byKey ? "Backspace" : "the cancel button");
    shortcuts.setShortcut(ctrlShiftV(), Name::popup());
    if (byKey) {
      startRecording();
      pressKey(recorder, Qt::Key_Backspace, Qt::NoModifier, "\b");
    } else {
      recorder->cancelButton()->trigger();
    }
    EXPECT_EQ(popup(), std::nullopt);
    EXPECT_EQ(stored().persistentObjectForKey("KeyboardShortcuts_popup"), Defaults::Value(false));
    EXPECT_EQ(recorder->text(), "");
    EXPECT_FALSE(recorder->cancelButton()->isVisible());
    EXPECT_FALSE(shortcuts.isRegistered(ctrlShiftV()));
  }
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
  sendMouse(recorder, QEvent::MouseButtonRelease, QPointF(recorder->width() + 2, 1));  // in the 3-pixel margin
  EXPECT_TRUE(recorder->isRecording());
  sendMouse(other, QEvent::MouseButtonRelease, QPointF(5, 5));
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

}  // namespace
}  // namespace marbrel::testing
