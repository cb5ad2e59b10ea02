#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "core/keylayout/Key.h"

namespace marbrel {

// A key combination that makes a program paste: a key and the Cocoa modifier flags held with it
// (Command is the Ctrl key, Option Alt, Control Super, Shift Shift).
struct PasteKey {
  Key key;
  std::uint64_t flags;
  bool operator==(const PasteKey&) const = default;

  // Shift+Insert: X terminals paste the primary selection with it, so the entry must be there too.
  bool pastesPrimarySelection() const;
};

// The "pasteKeys" setting: which combination pastes in which program. Terminals take Ctrl+V as a
// key of their own and paste with Ctrl+Shift+V or Shift+Insert; every other program pastes with
// Ctrl+V. Combinations are written as the shortcut recorder shows them: "Ctrl+Shift+V",
// "Shift+Insert" (modifiers Super, Ctrl, Alt, Shift joined by "+" before the key).
namespace paste_keys {

// Ctrl+V, for programs the table does not name.
PasteKey standard();

// The combination `text` names, or nothing. Modifier and key names match without case; the key is a
// letter, a digit, F1 to F20 or one of Insert, Return, Tab, Space, Backspace, Del, Escape, Home, End,
// PageUp, PageDown.
std::optional<PasteKey> parse(std::string_view text);

// The combination as the recorder shows it ("Ctrl+Shift+V").
std::string text(const PasteKey& key);

// The built-in table: application id or window class, lower-cased, and combination text.
const std::vector<std::pair<std::string, std::string>>& builtIn();

// What is wrong with `value` as the setting's value, for the user to read; empty when it is fine:
// an object whose every name is non-empty and whose every value is a combination `parse` reads.
std::string problemWith(const nlohmann::json& value);

// The combination for the program named `ids` (any of its names, tried in order; each matched without
// case): the user's entry from `setting` (an object, as stored; entries that do not parse are passed
// over) before the built-in one; Ctrl+V when neither names it.
PasteKey forApplication(const std::optional<nlohmann::json>& setting, const std::vector<std::string>& ids);

}  // namespace paste_keys

}  // namespace marbrel
