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
};

// What each press leaves stored and shown; the window's shortcut fires only once recording ends.
TEST_F(ShortcutRecorderTest, PressesAreReadAsTheirKeysAndModifiersAndNotAsWindowShortcuts) {
  int fired = 0;
  auto* close = new QAction(&window);
  close->setShortcut(QKeySequence(Qt::CTRL | Qt::ALT | Qt::META | Qt::Key_W));
  window.addAction(close);
  QObject::connect(close, &QAction::triggered, [&] { ++fired; });
  EXPECT_EQ(recorder->text(), "Ctrl+Shift+V");
  EXPECT_FALSE(recorder->isRecording()) << "nothing records until the field is clicked";
  constexpr auto command = carbon_modifiers::kCommand;
  const struct { std::vector<std::tuple<int, Qt::KeyboardModifiers, const char*>> presses; Shortcut stored; QString shown; } rows[] = {
      {{{Qt::Key_F5, Qt::NoModifier, ""}}, {96, 0}, "F5"},
      {{{Qt::Key_Control, Qt::ControlModifier, ""},  // modifier keys alone are skipped
        {Qt::Key_Shift, Qt::ControlModifier | Qt::ShiftModifier, ""},
        {Qt::Key_N, Qt::ControlModifier | Qt::ShiftModifier, "N"}},
       {45, command | carbon_modifiers::kShift}, "Ctrl+Shift+N"},
      // Super, Ctrl and Alt together; the test keyboard gives no character for that key.
      {{{Qt::Key_W, Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier, "\x17"}},
       {13, command | carbon_modifiers::kOption | carbon_modifiers::kControl},
       QStringLiteral("Super+Ctrl+Alt+") + QChar(0xFFFD)},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.shown.toStdString());
    startRecording();
    for (const auto& [key, modifiers, text] : row.presses) pressKey(recorder, key, modifiers, text);
    EXPECT_EQ(shortcuts.getShortcut(Name::popup()), row.stored);
    EXPECT_EQ(recorder->text(), row.shown);
    EXPECT_FALSE(recorder->isRecording() || shortcuts.isPaused());
  }
  EXPECT_EQ(fired, 0);
  pressKey(other, Qt::Key_W, Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier, "\x17");
  EXPECT_EQ(fired, 1);
}

}  // namespace
}  // namespace marbrel::testing
