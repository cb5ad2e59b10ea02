#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include <Qt>

class QKeyEvent;

namespace marbrel {

// A key press as the shortcut rules see it: the virtual key code of the key's position (V is 9),
// the modifiers as Cocoa flags and the text the key typed.
struct TranslatedKey {
  std::int64_t keyCode = 0;
  std::uint64_t cocoaFlags = 0;
  std::string characters;
};

// Ctrl is Command, Alt is Option, Super (Meta) is Control, Shift is Shift; a keypad key adds the
// numeric-pad flag.
std::uint64_t cocoaFlagsForQtModifiers(Qt::KeyboardModifiers modifiers);

// The virtual key code for a Qt key on a US layout, for events that carry no native key code.
std::optional<std::int64_t> virtualKeyCodeForQtKey(int qtKey);

// True for presses of a modifier key alone (Shift, Ctrl, Alt, Super, Caps Lock ...).
bool isModifierKey(int qtKey);

// The press as a shortcut: by the key's physical position when the event has the X key code, else
// by the Qt key. Nothing for modifier keys alone and keys without a virtual key code.
std::optional<TranslatedKey> translateKeyEvent(const QKeyEvent& event);

}  // namespace marbrel
