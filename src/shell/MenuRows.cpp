#include "shell/MenuRows.h"

#include <algorithm>
#include <cmath>
#include <variant>

#include <QString>

#include "core/menu/MenuModel.h"
#include "core/menu/SearchHeaderItem.h"

namespace marbrel {

namespace {

constexpr std::uint64_t kModifierBits = modifier_flags::kShift | modifier_flags::kControl |
                                        modifier_flags::kOption | modifier_flags::kCommand;

int heightOf(const MenuItem& item, const MenuRowMetrics& metrics) {
  if (item.isSeparator()) return metrics.separatorHeight;
  if (const auto* header = dynamic_cast<const SearchHeaderItem*>(&item)) {
    return std::max(1, int(std::lround(header->header().height())));
  }
  int height = metrics.itemHeight;
  const MenuImage& image = item.image();
  if (const auto* thumbnail = std::get_if<ThumbnailImage>(&image)) {
    height = std::max(height, int(std::ceil(thumbnail->height)) + metrics.imagePadding);
  } else if (const auto* swatch = std::get_if<SwatchImage>(&image)) {
    height = std::max(height, int(std::ceil(swatch->height)) + metrics.imagePadding);
  }
  return height;
}

}  // namespace

std::vector<MenuRow> MenuRows::layout(const MenuModel& menu, std::uint64_t heldFlags,
                                      const MenuRowMetrics& metrics) {
  std::vector<MenuRow> rows;
  rows.reserve(menu.size());
  const std::uint64_t held = heldFlags & kModifierBits;
  // The row of the last item that is not an alternate; an alternate can only stand in for it.
  int primaryRow = -1;
  for (const MenuItemPtr& item : menu.items()) {
    if (item->isAlternate()) {
      if (primaryRow >= 0 && held == (item->keyEquivalentModifierMask() & kModifierBits)) {
        MenuRow& row = rows[std::size_t(primaryRow)];
        if (row.shown == row.primary) {  // the first matching alternate wins
          row.shown = item;
          const int height = heightOf(*item, metrics);
          if (height != row.height) row.height = std::max(row.height, height);
        }
      }
      continue;
    }
    if (item->isHidden()) {
      primaryRow = -1;
      continue;
    }
    MenuRow row;
    row.kind = item->isSeparator() ? MenuRow::Kind::separator
               : dynamic_cast<const SearchHeaderItem*>(item.get()) ? MenuRow::Kind::header
                                                                    : MenuRow::Kind::item;
    row.shown = item;
    row.primary = item;
    row.height = heightOf(*item, metrics);
    rows.push_back(std::move(row));
    primaryRow = int(rows.size()) - 1;
  }
  int top = 0;
  for (MenuRow& row : rows) {
    row.top = top;
    top += row.height;
  }
  return rows;
}

int MenuRows::rowOf(const std::vector<MenuRow>& rows, const MenuItem* item) {
  if (!item) return -1;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    if (rows[i].shown.get() == item || rows[i].primary.get() == item) return int(i);
  }
  return -1;
}

int MenuRows::rowAt(const std::vector<MenuRow>& rows, int y) {
  if (rows.empty() || y < 0) return -1;
  // Rows are sorted by top: binary search, so hit tests stay cheap in long menus.
  auto it = std::upper_bound(rows.begin(), rows.end(), y, [](int value, const MenuRow& row) {
    return value < row.top;
  });
  if (it == rows.begin()) return -1;
  --it;
  if (y >= it->top + it->height) return -1;
  return int(it - rows.begin());
}

int MenuRows::totalHeight(const std::vector<MenuRow>& rows) {
  return rows.empty() ? 0 : rows.back().top + rows.back().height;
}

MenuItemPtr MenuRows::highlightFor(const std::vector<MenuRow>& rows, const MenuItem* highlighted) {
  if (!highlighted) return nullptr;
  for (const MenuRow& row : rows) {
    if (row.shown.get() == highlighted) return row.shown;
  }
  // The highlighted item is a pair's other member: its row shows the member for the held keys.
  const MenuModel* menu = highlighted->menu();
  if (!menu) return nullptr;
  const auto index = menu->indexOf(*highlighted);
  if (!index) return nullptr;
  if (highlighted->isAlternate()) {
    // Its primary is the nearest item before it that is not an alternate.
    for (std::size_t i = *index; i-- > 0;) {
      const MenuItemPtr& candidate = menu->itemAt(i);
      if (candidate->isAlternate()) continue;
      for (const MenuRow& row : rows) {
        if (row.primary == candidate) return row.shown;
      }
      return nullptr;
    }
    return nullptr;
  }
  for (const MenuRow& row : rows) {
    if (row.primary.get() == highlighted) return row.shown;
  }
  return nullptr;
}

bool MenuRows::matchesKeyEquivalent(const MenuItem& item, const std::string& key, std::uint64_t flags) {
  if (item.keyEquivalent().empty() || key.empty() || !item.isEnabled() || item.isSeparator()) return false;
  // Hidden items answer no key, except alternates, which are hidden until their modifiers are held.
  if (item.isHidden() && !item.isAlternate()) return false;
  if ((flags & kModifierBits) != (item.keyEquivalentModifierMask() & kModifierBits)) return false;
  const QString equivalent = QString::fromStdString(item.keyEquivalent()).toLower();
  return equivalent == QString::fromStdString(key).toLower();
}

}  // namespace marbrel
