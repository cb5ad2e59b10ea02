#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/shortcuts/Shortcut.h"

namespace marbrel::portal_trigger {

// Shortcuts as a desktop's global-shortcut portal writes them: modifier names and the key's XKB
// keysym name joined by "+" ("CTRL+SHIFT+v"), and the reading of the trigger a desktop reports back.

// The keysym name of a key that types no character (Return, F5, Left...), or nothing for the keys
// whose keysym follows the keyboard layout.
std::optional<std::string> fixedKeyName(std::int64_t keyCode);

// The trigger text: CTRL for Command, ALT for Option, SHIFT, LOGO for Control, in that order, then
// the key name.
std::string text(const Shortcut& shortcut, std::string_view keyName);

// A trigger as read from a desktop's description: its modifiers as a Carbon mask and its key name
// in lower case.
struct Trigger {
  std::int64_t carbonModifiers = 0;
  std::string keyName;
  bool operator==(const Trigger&) const = default;
};

// Reads the forms desktops report: "CTRL+SHIFT+v", "Ctrl+Shift+V", "Shift+Ctrl+V",
// "<Control><Shift>v" (modifier names in any case and order). Nothing when it is not one of them.
std::optional<Trigger> parse(std::string_view description);

// Whether a desktop's description names the combination of the trigger text that was asked for.
bool sameCombination(std::string_view asked, std::string_view reported);

}  // namespace marbrel::portal_trigger
