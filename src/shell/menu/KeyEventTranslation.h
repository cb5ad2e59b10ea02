#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include <QString>
#include <Qt>

class QKeyEvent;

namespace marbrel {

// A key press as the core reads it: the virtual key code of the key's position on an ANSI keyboard
// (V is 9), Cocoa modifier flags, and the text the key types.
struct TranslatedKey {
  std::uint16_t keyCode = 0;
  std::uint64_t flags = 0;
  std::optional<std::string> characters;
};

// Converts between Qt's key events and the core's key codes and modifier flags. Modifiers follow
// Qt's own rule: Command is the Ctrl key, Option is Alt, Control is Super (Meta), Shift is Shift.
class KeyEventTranslation {
 public:
  // The key event in the core's terms, or nothing for keys the core has no code for. The X key code
  // (the event's native scan code) gives the position; without one (other platforms, synthetic
  // events) Qt's key is mapped to the ANSI position that types it.
  static std::optional<TranslatedKey> translate(const QKeyEvent& event);

  static std::uint64_t flagsForModifiers(Qt::KeyboardModifiers modifiers);
  static Qt::KeyboardModifiers modifiersForFlags(std::uint64_t flags);
  // The virtual key code of the ANSI key that types `key` (Qt::Key_V: 9), or nothing.
  static std::optional<std::uint16_t> keyCodeForQtKey(int key);
  // Whether `key` is a modifier key alone (Shift, Ctrl, Alt, Super, AltGr...).
  static bool isModifierKey(int key);
  // The flags held after a press or release of a modifier key, which the event's own modifiers may
  // not show yet.
  static std::uint64_t flagsAfter(const QKeyEvent& event);

  // A menu item's key equivalent as a Linux menu shows it: "Ctrl+1", "Alt+P", "Ctrl+Alt+Backspace".
  static QString keyEquivalentText(const std::string& keyEquivalent, std::uint64_t modifierMask);
};

}  // namespace marbrel
