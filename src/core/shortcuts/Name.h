#pragma once

#include <optional>
#include <string>

#include "core/shortcuts/Shortcut.h"

namespace marbrel {

// The name a global shortcut is stored and dispatched under, with the shortcut it starts with.
struct Name {
  std::string rawValue;
  std::optional<Shortcut> defaultShortcut;

  // The settings key the shortcut is stored under: "KeyboardShortcuts_" and the raw value.
  std::string defaultsKey() const { return "KeyboardShortcuts_" + rawValue; }

  // The shortcut that pops the history menu up; Shift-Command-V (Shift-Ctrl-V on Linux) at first.
  static Name popup();

  // Names are told apart by their raw value alone.
  bool operator==(const Name& other) const { return rawValue == other.rawValue; }
};

}  // namespace marbrel
