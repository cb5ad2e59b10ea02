#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "core/shortcuts/Shortcut.h"

namespace marbrel {

class KeyboardLayout;

// The character (UTF-8) that a key code produces without modifiers under the current ASCII-capable
// keyboard layout, or nothing when the layout cannot say (asciiCapableCharacters() answers it).
using KeyCharacterLookup = std::function<std::optional<std::string>(std::int64_t keyCode)>;

// How shortcuts read to the user: ⌃⌥⇧⌘ then the key, as the recorder shows them.
class ShortcutText {
 public:
  // `lookup` may be empty: then only keys with a fixed text have a character.
  explicit ShortcutText(KeyCharacterLookup lookup) : lookup_(std::move(lookup)) {}

  // Asks `layout` (not owned; it must outlive the lookup) for the text of a key code without
  // modifiers under its current ASCII-capable input source.
  static KeyCharacterLookup asciiCapableCharacters(const KeyboardLayout& layout);

  // The key's own character, not upper-cased: the fixed text of special and function keys, else
  // what the layout gives. Nothing when neither gives a non-empty text.
  std::optional<std::string> keyCharacter(std::int64_t keyCode) const;

  // The modifier symbols in the order Control, Option, Shift, Command, then the key's character
  // upper-cased, or U+FFFD when the key has none.
  std::string text(const Shortcut& shortcut) const;

  // The fixed text of a special or function key (Return, arrows, F1 to F20 ...), if it has one.
  static std::optional<std::string> fixedKeyText(std::int64_t keyCode);
  // True for the codes of F1 to F20.
  static bool isFunctionKey(std::int64_t keyCode);

 private:
  KeyCharacterLookup lookup_;
};

}  // namespace marbrel
