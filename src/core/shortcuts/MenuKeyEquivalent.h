#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace marbrel {

// One item of the application's main menu as the shortcut recorder sees it: its key equivalent
// (the character, as the item holds it), the equivalent's modifiers as Cocoa flags, and its title.
struct MenuKeyEquivalent {
  std::string keyEquivalent;
  std::uint64_t modifierMask = 0;
  std::string title;
};

// The main menu's items, depth first (an item's submenu comes right after the item).
using MenuKeyEquivalentsLookup = std::function<std::vector<MenuKeyEquivalent>()>;

}  // namespace marbrel
