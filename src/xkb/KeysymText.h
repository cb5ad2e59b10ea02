#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace marbrel {

// The text a key cap shows for one X keysym, as UTF-8: the character it types, or for a dead key the
// accent it puts on the next letter ("^" for dead_circumflex). Empty for keysyms that type nothing
// (Shift, Menu, keypad navigation...).
std::string keysymText(std::uint32_t keysym);

// The XKB keysym name of the key that types one character ("v", "comma", "eacute"), as desktop
// shortcut settings name keys; empty when `utf8` is not exactly one character with a keysym.
std::string keysymNameForCharacter(std::string_view utf8);

}  // namespace marbrel
