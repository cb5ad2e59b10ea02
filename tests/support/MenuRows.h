#pragma once

#include <memory>
#include <string>
#include <vector>

#include "core/menu/HistoryMenuItem.h"
#include "core/menu/MenuModel.h"

namespace marbrel::testing {

// The history rows a menu shows, top first: each title, with ' after an alternate's.
inline std::vector<std::string> shownRows(const MenuModel& menu, bool primariesOnly = false) {
  std::vector<std::string> rows;
  for (const auto& item : menu.items()) {
    const auto row = std::dynamic_pointer_cast<HistoryMenuItem>(item);
    if (row && !(primariesOnly && row->isAlternate())) rows.push_back(row->title() + (row->isAlternate() ? "'" : ""));
  }
  return rows;
}

// The key equivalents of the history rows' primaries, top first.
inline std::vector<std::string> shownKeys(const MenuModel& menu) {
  std::vector<std::string> keys;
  for (const auto& item : menu.items()) {
    const auto row = std::dynamic_pointer_cast<HistoryMenuItem>(item);
    if (row && !row->isAlternate()) keys.push_back(row->keyEquivalent());
  }
  return keys;
}

}  // namespace marbrel::testing
