#include <QKeyEvent>

#include <gtest/gtest.h>

#include "core/menu/MenuItem.h"
#include "shell/KeyEventTranslation.h"

namespace marbrel {
namespace {

using namespace modifier_flags;
using T = KeyEventTranslation;

TEST(KeyEventTranslation, CtrlIsCommandAltIsOptionSuperIsControl) {
  EXPECT_EQ(T::flagsForModifiers(Qt::ControlModifier | Qt::ShiftModifier), kCommand | kShift);
  EXPECT_EQ(T::flagsForModifiers(Qt::AltModifier), kOption);
  EXPECT_EQ(T::flagsForModifiers(Qt::MetaModifier), kControl);
  for (std::uint64_t flags : {kShift, kControl, kOption, kCommand, kCommand | kOption | kShift}) {
    EXPECT_EQ(T::flagsForModifiers(T::modifiersForFlags(flags)), flags);
  }
}

// Without an X key code, a Qt key stands for the ANSI position that types it.
TEST(KeyEventTranslation, EventsCarryTheAnsiCodeTheFlagsAndTheTypedText) {
  const std::tuple<int, int> codes[] = {{Qt::Key_A, 0}, {Qt::Key_V, 9}, {Qt::Key_Return, 36}, {Qt::Key_Enter, 76},
                                        {Qt::Key_Backspace, 51}, {Qt::Key_Delete, 117}, {Qt::Key_Down, 125},
                                        {Qt::Key_Comma, 43}};
  for (const auto& [key, code] : codes) EXPECT_EQ(T::keyCodeForQtKey(key), code) << key;
  EXPECT_FALSE(T::keyCodeForQtKey(Qt::Key_VolumeUp).has_value());

  const auto key = T::translate(QKeyEvent(QEvent::KeyPress, Qt::Key_V, Qt::ControlModifier | Qt::AltModifier, "v"));
  ASSERT_TRUE(key.has_value());
  EXPECT_EQ(key->keyCode, 9);
  EXPECT_EQ(key->flags, kCommand | kOption);
  EXPECT_EQ(key->characters, "v");
  const auto enter = T::translate(QKeyEvent(QEvent::KeyPress, Qt::Key_Enter, Qt::KeypadModifier, "\r"));
  ASSERT_TRUE(enter.has_value());
  EXPECT_EQ(enter->flags, 0u) << "the keypad flag is not a modifier";
  EXPECT_FALSE(T::translate(QKeyEvent(QEvent::KeyPress, Qt::Key_VolumeUp, Qt::NoModifier)).has_value());
}

TEST(KeyEventTranslation, ModifierPressesAndReleasesChangeTheHeldFlagsAtOnce) {
  EXPECT_TRUE(T::isModifierKey(Qt::Key_Shift));
  EXPECT_FALSE(T::isModifierKey(Qt::Key_P));
  EXPECT_EQ(T::flagsAfter(QKeyEvent(QEvent::KeyPress, Qt::Key_Alt, Qt::NoModifier)), kOption);
  EXPECT_EQ(T::flagsAfter(QKeyEvent(QEvent::KeyRelease, Qt::Key_Alt, Qt::AltModifier)), 0u);
}

TEST(KeyEventTranslation, KeyEquivalentsReadAsLinuxShortcuts) {
  EXPECT_EQ(T::keyEquivalentText("1", kCommand), "Ctrl+1");
  EXPECT_EQ(T::keyEquivalentText("1", kOption), "Alt+1");
  EXPECT_EQ(T::keyEquivalentText("k", kCommand), "Ctrl+K");
  EXPECT_EQ(T::keyEquivalentText("\u232B", kCommand | kOption | kShift), "Ctrl+Alt+Shift+Backspace");
  EXPECT_EQ(T::keyEquivalentText("", kCommand), QString());
}

}  // namespace
}  // namespace marbrel
