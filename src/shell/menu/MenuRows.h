#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/menu/MenuItem.h"
#include "core/menu/MenuModel.h"

namespace marbrel {

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

// The rows of a menu for the modifier flags held now. The rows of the menu's run of pairs are
// worked out from the run alone, and their items made only when a row is read, so laying out a
// menu of many thousands of rows costs no more than a short one. A run row is as high as a line,
// or as its image preview needs; a colour sample is taken to fit in a line.
class MenuLayout {
 public:
  MenuLayout() = default;

  std::size_t size() const { return before_.size() + runRows_ + after_.size(); }
  bool empty() const { return size() == 0; }
  // Row `row`, 0 <= row < size(); a run row's items are made now.
  MenuRow operator[](std::size_t row) const;

  // Rows [0, runBegin()) and [runEnd(), size()) hold the menu's other items.
  std::size_t runBegin() const { return before_.size(); }
  std::size_t runEnd() const { return before_.size() + runRows_; }

 private:
  friend class MenuRows;
  int runTop(std::size_t pair) const;
  int runHeight(std::size_t pair) const;

  const MenuModel* menu_ = nullptr;
  std::vector<MenuRow> before_;
  std::vector<MenuRow> after_;  // tops count the run's rows above them
  std::size_t runRows_ = 0;
  std::size_t runAt_ = 0;  // the menu index of the run's first item
  bool alternatesShown_ = false;
  int runTop_ = 0;
  int lineHeight_ = 0;
  // The run's rows higher than a line, ascending, and the extra height of all such rows before
  // each of them.
  std::vector<std::pair<std::size_t, int>> tall_;
  std::vector<int> extraBefore_;
  int runTotal_ = 0;
};

// Works out the rows of a menu model for the modifier flags held now.
class MenuRows {
 public:
  static MenuLayout layout(const MenuModel& menu, std::uint64_t heldFlags, const MenuRowMetrics& metrics = {});

  // The index of the row that shows `item`, or holds it as the primary replaced by an alternate;
  // -1 when no row does.
  static int rowOf(const MenuLayout& rows, const MenuItem* item);
  // The index of the row under the vertical position `y`, or -1.
  static int rowAt(const MenuLayout& rows, int y);
  // The total height of the rows.
  static int totalHeight(const MenuLayout& rows);

  // The item a row holds for the held flags as the row's keyboard highlight: when the model's
  // highlight is the primary (or the alternate) of a row, the item shown there now. Null when the
  // highlighted item has no row.
  static MenuItemPtr highlightFor(const MenuLayout& rows, const MenuItem* highlighted);

  // Whether pressing the key (given by its unshifted character, lower case, or "\u232B" for
  // Backspace) with `flags` chooses `item` by its key equivalent.
  static bool matchesKeyEquivalent(const MenuItem& item, const std::string& key, std::uint64_t flags);
  // The item of `menu` that the key chooses, or null: items outside the run in order, then the
  // run's items that carry key equivalents.
  static MenuItemPtr itemForKeyEquivalent(const MenuModel& menu, const std::string& key, std::uint64_t flags);
};

}  // namespace marbrel
