#include "shell/menu/KeyEventTranslation.h"

#include <array>
#include <utility>

#include <QGuiApplication>
#include <QKeyEvent>
#include <QKeySequence>

#include "core/menu/MenuItem.h"
#include "xkb/KeyPositions.h"

namespace marbrel {

namespace {

// Qt keys and the virtual key code of the ANSI key that types them.
constexpr std::pair<int, std::uint16_t> kQtKeys[] = {
    {Qt::Key_A, 0},   {Qt::Key_S, 1},    {Qt::Key_D, 2},    {Qt::Key_F, 3},   {Qt::Key_H, 4},
    {Qt::Key_G, 5},   {Qt::Key_Z, 6},    {Qt::Key_X, 7},    {Qt::Key_C, 8},   {Qt::Key_V, 9},
    {Qt::Key_B, 11},  {Qt::Key_Q, 12},   {Qt::Key_W, 13},   {Qt::Key_E, 14},  {Qt::Key_R, 15},
    {Qt::Key_Y, 16},  {Qt::Key_T, 17},   {Qt::Key_1, 18},   {Qt::Key_2, 19},  {Qt::Key_3, 20},
    {Qt::Key_4, 21},  {Qt::Key_6, 22},   {Qt::Key_5, 23},   {Qt::Key_Equal, 24}, {Qt::Key_9, 25},
    {Qt::Key_7, 26},  {Qt::Key_Minus, 27}, {Qt::Key_8, 28}, {Qt::Key_0, 29},  {Qt::Key_BracketRight, 30},
    {Qt::Key_O, 31},  {Qt::Key_U, 32},   {Qt::Key_BracketLeft, 33}, {Qt::Key_I, 34}, {Qt::Key_P, 35},
    {Qt::Key_Return, 36}, {Qt::Key_L, 37}, {Qt::Key_J, 38}, {Qt::Key_Apostrophe, 39}, {Qt::Key_K, 40},
    {Qt::Key_Semicolon, 41}, {Qt::Key_Backslash, 42}, {Qt::Key_Comma, 43}, {Qt::Key_Slash, 44},
    {Qt::Key_N, 45},  {Qt::Key_M, 46},   {Qt::Key_Period, 47}, {Qt::Key_Tab, 48}, {Qt::Key_Backtab, 48},
    {Qt::Key_Space, 49}, {Qt::Key_QuoteLeft, 50}, {Qt::Key_Backspace, 51}, {Qt::Key_Escape, 53},
    {Qt::Key_Enter, 76}, {Qt::Key_F5, 96}, {Qt::Key_F6, 97},  {Qt::Key_F7, 98},  {Qt::Key_F3, 99},
    {Qt::Key_F8, 100}, {Qt::Key_F9, 101}, {Qt::Key_F11, 103}, {Qt::Key_F13, 105}, {Qt::Key_F10, 109},
    {Qt::Key_F12, 111}, {Qt::Key_Insert, 114}, {Qt::Key_Home, 115}, {Qt::Key_PageUp, 116},
    {Qt::Key_Delete, 117}, {Qt::Key_F4, 118}, {Qt::Key_End, 119}, {Qt::Key_F2, 120},
    {Qt::Key_PageDown, 121}, {Qt::Key_F1, 122}, {Qt::Key_Left, 123}, {Qt::Key_Right, 124},
    {Qt::Key_Down, 125}, {Qt::Key_Up, 126}, {Qt::Key_F14, 107}, {Qt::Key_F15, 113},
};

bool isXcb() { return QGuiApplication::platformName() == QLatin1String("xcb"); }

}  // namespace

std::uint64_t KeyEventTranslation::flagsForModifiers(Qt::KeyboardModifiers modifiers) {
  std::uint64_t flags = 0;
  if (modifiers & Qt::ShiftModifier) flags |= modifier_flags::kShift;
  if (modifiers & Qt::ControlModifier) flags |= modifier_flags::kCommand;
  if (modifiers & Qt::AltModifier) flags |= modifier_flags::kOption;
  if (modifiers & Qt::MetaModifier) flags |= modifier_flags::kControl;
  return flags;
}

Qt::KeyboardModifiers KeyEventTranslation::modifiersForFlags(std::uint64_t flags) {
  Qt::KeyboardModifiers modifiers;
  if (flags & modifier_flags::kShift) modifiers |= Qt::ShiftModifier;
  if (flags & modifier_flags::kCommand) modifiers |= Qt::ControlModifier;
  if (flags & modifier_flags::kOption) modifiers |= Qt::AltModifier;
  if (flags & modifier_flags::kControl) modifiers |= Qt::MetaModifier;
  return modifiers;
}

std::optional<std::uint16_t> KeyEventTranslation::keyCodeForQtKey(int key) {
  for (const auto& [qtKey, code] : kQtKeys) {
    if (qtKey == key) return code;
  }
  return std::nullopt;
}

bool KeyEventTranslation::isModifierKey(int key) {
  switch (key) {
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
    case Qt::Key_Meta:
    case Qt::Key_Super_L:
    case Qt::Key_Super_R:
    case Qt::Key_Hyper_L:
    case Qt::Key_Hyper_R:
    case Qt::Key_CapsLock:
    case Qt::Key_NumLock:
      return true;
    default:
      return false;
  }
}

std::uint64_t KeyEventTranslation::flagsAfter(const QKeyEvent& event) {
  std::uint64_t flags = flagsForModifiers(event.modifiers());
  std::uint64_t bit = 0;
  switch (event.key()) {
    case Qt::Key_Shift: bit = modifier_flags::kShift; break;
    case Qt::Key_Control: bit = modifier_flags::kCommand; break;
    case Qt::Key_Alt: bit = modifier_flags::kOption; break;
    case Qt::Key_Meta:
    case Qt::Key_Super_L:
    case Qt::Key_Super_R: bit = modifier_flags::kControl; break;
    default: break;
  }
  if (event.type() == QEvent::KeyPress) flags |= bit;
  if (event.type() == QEvent::KeyRelease) flags &= ~bit;
  return flags;
}

std::optional<TranslatedKey> KeyEventTranslation::translate(const QKeyEvent& event) {
  TranslatedKey result;
  std::optional<std::uint16_t> code;
  if (isXcb() && event.nativeScanCode() != 0) code = virtualKeyCodeForXKeyCode(event.nativeScanCode());
  if (!code) code = keyCodeForQtKey(event.key());
  if (!code) return std::nullopt;
  result.keyCode = *code;
  // The keypad's keys carry the keypad flag in Qt; the core tells them apart by their codes.
  result.flags = flagsForModifiers(event.modifiers() & ~Qt::KeypadModifier);
  const QString text = event.text();
  if (!text.isEmpty()) result.characters = text.toStdString();
  return result;
}

QString KeyEventTranslation::keyEquivalentText(const std::string& keyEquivalent, std::uint64_t modifierMask) {
  if (keyEquivalent.empty()) return {};
  QString key = QString::fromStdString(keyEquivalent);
  if (key == QStringLiteral("\u232B")) {
    key = QStringLiteral("Backspace");
  } else if (key == QStringLiteral("\u2326")) {
    key = QStringLiteral("Del");
  } else if (key == QStringLiteral("\r")) {
    key = QStringLiteral("Return");
  } else if (key == QStringLiteral("?\u20DD")) {
    key = QStringLiteral("Insert");  // where Apple keyboards have Help
  } else {
    key = key.toUpper();
  }
  QString text;
  if (modifierMask & modifier_flags::kControl) text += QStringLiteral("Super+");
  if (modifierMask & modifier_flags::kCommand) text += QStringLiteral("Ctrl+");
  if (modifierMask & modifier_flags::kOption) text += QStringLiteral("Alt+");
  if (modifierMask & modifier_flags::kShift) text += QStringLiteral("Shift+");
  return text + key;
}

}  // namespace marbrel
