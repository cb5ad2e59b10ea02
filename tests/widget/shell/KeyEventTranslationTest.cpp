#include <QKeyEvent>

#include <gtest/gtest.h>

#include "core/menu/MenuItem.h"
#include "shell/menu/KeyEventTranslation.h"

namespace marbrel {
namespace {

using namespace modifier_flags;
using T = KeyEventTranslation;

// Ctrl is Command, Alt is Option, Super is Control; without an X key code, the ANSI key's position.
TEST(KeyEventTranslation, QtKeyEventsReachTheCoreAsTheirAnsiCodeFlagsAndText) {
  EXPECT_EQ(T::flagsForModifiers(Qt::ControlModifier | Qt::ShiftModifier | Qt::AltModifier | Qt::MetaModifier),
            kCommand | kShift | kOption | kControl);
  for (const auto& [key, code] : {std::pair{Qt::Key_A, 0}, {Qt::Key_V, 9}, {Qt::Key_Return, 36}, {Qt::Key_Enter, 76},
                                  {Qt::Key_Backspace, 51}, {Qt::Key_Delete, 117}, {Qt::Key_Down, 125},
                                  {Qt::Key_Comma, 43}}) {
    const auto got = T::translate(QKeyEvent(QEvent::KeyPress, key, Qt::KeypadModifier, "x"));
    ASSERT_TRUE(got.has_value()) << key;
    EXPECT_EQ(got->keyCode, code) << key;
    EXPECT_EQ(got->flags, 0u) << "the keypad flag is not a modifier";
  }
  const auto key = T::translate(QKeyEvent(QEvent::KeyPress, Qt::Key_V, Qt::ControlModifier | Qt::AltModifier, "v"));
  ASSERT_TRUE(key.has_value());
  EXPECT_EQ(key->flags, kCommand | kOption);
  EXPECT_EQ(key->characters, "v");
  EXPECT_FALSE(T::translate(QKeyEvent(QEvent::KeyPress, Qt::Key_VolumeUp, Qt::NoModifier)).has_value());
  EXPECT_EQ(T::flagsAfter(QKeyEvent(QEvent::KeyPress, Qt::Key_Alt, Qt::NoModifier)), kOption);
  EXPECT_EQ(T::flagsAfter(QKeyEvent(QEvent::KeyRelease, Qt::Key_Alt, Qt::AltModifier)), 0u);
  // Key equivalents read as Linux shortcuts.
  EXPECT_EQ(T::keyEquivalentText("k", kCommand), "Ctrl+K");
  EXPECT_EQ(T::keyEquivalentText("\u232B", kCommand | kOption | kShift), "Ctrl+Alt+Shift+Backspace");
}

}  // namespace
}  // namespace marbrel
