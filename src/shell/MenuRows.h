#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/menu/MenuItem.h"

namespace marbrel {

class MenuModel;

// One row of an open menu: the item drawn there and its place. An alternate takes its primary's row
// while exactly its modifiers are held; hidden items have no row.
struct MenuRow {
  enum class Kind { item, separator, header };
  Kind kind = Kind::item;
  MenuItemPtr shown;    // the item drawn and chosen in this row
  MenuItemPtr primary;  // the item the row belongs to when no alternate replaces it
  int top = 0;
  int height = 0;
};

// The heights the rows take, in pixels.
struct MenuRowMetrics {
  int itemHeight = 24;
  int separatorHeight = 9;
  int imagePadding = 6;
};

// Works out the rows of a menu model for the modifier flags held now.
class MenuRows {
 public:
  static std::vector<MenuRow> layout(const MenuModel& menu, std::uint64_t heldFlags,
                                     const MenuRowMetrics& metrics = {});

  // The index of the row that shows `item`, or holds it as the primary replaced by an alternate;
  // -1 when no row does.
  static int rowOf(const std::vector<MenuRow>& rows, const MenuItem* item);
  // The index of the row under the vertical position `y`, or -1.
  static int rowAt(const std::vector<MenuRow>& rows, int y);
  // The total height of the rows.
  static int totalHeight(const std::vector<MenuRow>& rows);

  // The item a row holds for the held flags as the row's keyboard highlight: when the model's
  // highlight is the primary (or the alternate) of a row, the item shown there now. Null when the
  // highlighted item has no row.
  static MenuItemPtr highlightFor(const std::vector<MenuRow>& rows, const MenuItem* highlighted);

  // Whether pressing the key (given by its unshifted character, lower case, or "\u232B" for
  // Backspace) with `flags` chooses `item` by its key equivalent.
  static bool matchesKeyEquivalent(const MenuItem& item, const std::string& key, std::uint64_t flags);
};

}  // namespace marbrel
