#pragma once

#include <cstdint>
#include <string>

namespace marbrel {

// The text a key cap shows for one X keysym, as UTF-8: the character it types, or for a dead key the
// accent it puts on the next letter ("^" for dead_circumflex). Empty for keysyms that type nothing
// (Shift, Menu, keypad navigation...).
std::string keysymText(std::uint32_t keysym);

}  // namespace marbrel
