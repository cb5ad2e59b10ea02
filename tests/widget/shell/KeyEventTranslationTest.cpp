#include <QKeyEvent>

#include <gtest/gtest.h>

#include "core/menu/MenuItem.h"
#include "shell/KeyEventTranslation.h"

namespace marbrel {
namespace {

using namespace modifier_flags;

TEST(KeyEventTranslation, CtrlIsCommandAltIsOptionSuperIsControl) {
  EXPECT_EQ(KeyEventTranslation::flagsForModifiers(Qt::ControlModifier | Qt::ShiftModifier), kCommand | kShift);
  EXPECT_EQ(KeyEventTranslation::flagsForModifiers(Qt::AltModifier), kOption);
  EXPECT_EQ(KeyEventTranslation::flagsForModifiers(Qt::MetaModifier), kControl);
  for (std::uint64_t flags : {kShift, kControl, kOption, kCommand, kCommand | kOption | kShift}) {
    EXPECT_EQ(KeyEventTranslation::flagsForModifiers(KeyEventTranslation::modifiersForFlags(flags)), flags);
  }
}

TEST(KeyEventTranslation, QtKeysMapToTheAnsiPositionsThatTypeThem) {
  EXPECT_EQ(KeyEventTranslation::keyCodeForQtKey(Qt::Key_V), 9);
  EXPECT_EQ(KeyEventTranslation::keyCodeForQtKey(Qt::Key_A), 0);
  EXPECT_EQ(KeyEventTranslation::keyCodeForQtKey(Qt::Key_Return), 36);
  EXPECT_EQ(KeyEventTranslation::keyCodeForQtKey(Qt::Key_Enter), 76);
  EXPECT_EQ(KeyEventTranslation::keyCodeForQtKey(Qt::Key_Backspace), 51);
  EXPECT_EQ(KeyEventTranslation::keyCodeForQtKey(Qt::Key_Delete), 117);
  EXPECT_EQ(KeyEventTranslation::keyCodeForQtKey(Qt::Key_Down), 125);
  EXPECT_EQ(KeyEventTranslation::keyCodeForQtKey(Qt::Key_Comma), 43);
  EXPECT_FALSE(KeyEventTranslation::keyCodeForQtKey(Qt::Key_VolumeUp).has_value());
}

TEST(KeyEventTranslation, EventsCarryCodeFlagsAndTypedText) {
  QKeyEvent ctrlAltV(QEvent::KeyPress, Qt::Key_V, Qt::ControlModifier | Qt::AltModifier, QStringLiteral("v"));
  auto key = KeyEventTranslation::translate(ctrlAltV);
  ASSERT_TRUE(key.has_value());
  EXPECT_EQ(key->keyCode, 9);
  EXPECT_EQ(key->flags, kCommand | kOption);
  EXPECT_EQ(key->characters, "v");
  QKeyEvent keypadEnter(QEvent::KeyPress, Qt::Key_Enter, Qt::KeypadModifier, QStringLiteral("\r"));
  key = KeyEventTranslation::translate(keypadEnter);
  ASSERT_TRUE(key.has_value());
  EXPECT_EQ(key->flags, 0u) << "the keypad flag is not a modifier";

  QKeyEvent unknown(QEvent::KeyPress, Qt::Key_VolumeUp, Qt::NoModifier);
  EXPECT_FALSE(KeyEventTranslation::translate(unknown).has_value());
}

TEST(KeyEventTranslation, ModifierPressesAndReleasesChangeTheHeldFlagsAtOnce) {
  EXPECT_TRUE(KeyEventTranslation::isModifierKey(Qt::Key_Shift));
  EXPECT_FALSE(KeyEventTranslation::isModifierKey(Qt::Key_P));
  QKeyEvent altDown(QEvent::KeyPress, Qt::Key_Alt, Qt::NoModifier);
  EXPECT_EQ(KeyEventTranslation::flagsAfter(altDown), kOption);
  QKeyEvent altUp(QEvent::KeyRelease, Qt::Key_Alt, Qt::AltModifier);
  EXPECT_EQ(KeyEventTranslation::flagsAfter(altUp), 0u);
}

TEST(KeyEventTranslation, KeyEquivalentsReadAsLinuxShortcuts) {
  EXPECT_EQ(KeyEventTranslation::keyEquivalentText("1", kCommand), QStringLiteral("Ctrl+1"));
  EXPECT_EQ(KeyEventTranslation::keyEquivalentText("1", kOption), QStringLiteral("Alt+1"));
  EXPECT_EQ(KeyEventTranslation::keyEquivalentText("k", kCommand), QStringLiteral("Ctrl+K"));
  EXPECT_EQ(KeyEventTranslation::keyEquivalentText("\u232B", kCommand | kOption | kShift),
            QStringLiteral("Ctrl+Alt+Shift+Backspace"));
  EXPECT_EQ(KeyEventTranslation::keyEquivalentText("", kCommand), QString());
}

}  // namespace
}  // namespace marbrel
