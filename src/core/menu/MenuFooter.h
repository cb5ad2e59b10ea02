#pragma once

#include <array>
#include <optional>

#include "core/menu/MenuItem.h"

namespace marbrel {

class Configuration;
class Strings;

// The fixed items at the bottom of the history menu. The value of each case is also its item's
// tag, by which the controller dispatches the command.
enum class MenuFooter : int {
  separator = 100,
  clear = 101,
  clearAll = 106,
  preferences = 107,
  about = 103,
  quit = 104,
};

// Every footer case, in the order the items are appended to the menu.
const std::array<MenuFooter, 6>& allMenuFooterCases();

// The case whose tag is `tag`, or nothing (102 and 105 belong to no case).
std::optional<MenuFooter> menuFooterFromTag(int tag);

inline int menuFooterTag(MenuFooter footer) { return static_cast<int>(footer); }

// A new item for `footer` (null for a value that is no case), reading "hideFooter" now: hidden when it is on, and the clear-all item
// is the alternate of the clear item only while the footer is shown. The caller sets the action.
MenuItemPtr makeMenuFooterItem(MenuFooter footer, const Configuration& configuration,
                               const Strings& strings);

}  // namespace marbrel
