#include "shell/menu/MenuRows.h"

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

int imageRowHeight(double imageHeight, const MenuRowMetrics& metrics) {
  return std::max(metrics.itemHeight, int(std::ceil(imageHeight)) + metrics.imagePadding);
}

int heightOf(const MenuItem& item, const MenuRowMetrics& metrics) {
  if (item.isSeparator()) return metrics.separatorHeight;
  if (const auto* header = dynamic_cast<const SearchHeaderItem*>(&item)) {
    return std::max(1, int(std::lround(header->header().height())));
  }
  const MenuImage& image = item.image();
  if (const auto* thumbnail = std::get_if<ThumbnailImage>(&image)) return imageRowHeight(thumbnail->height, metrics);
  if (const auto* swatch = std::get_if<SwatchImage>(&image)) return imageRowHeight(swatch->height, metrics);
  return metrics.itemHeight;
}

// Lays out the items [first, last) of `menu`, none of them in its run, as rows from `top` on.
int layoutPlain(const MenuModel& menu, std::size_t first, std::size_t last, std::uint64_t held,
                const MenuRowMetrics& metrics, int top, std::vector<MenuRow>& rows) {
  // The row of the last item that is not an alternate; an alternate can only stand in for it.
  int primaryRow = -1;
  for (std::size_t index = first; index < last; ++index) {
    const MenuItemPtr& item = menu.itemAt(index);
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
  for (MenuRow& row : rows) {
    row.top = top;
    top += row.height;
  }
  return top;
}

}  // namespace

int MenuLayout::runTop(std::size_t pair) const {
  // The tall rows before `pair` add their extra height to the lines above it.
  const auto after = std::lower_bound(tall_.begin(), tall_.end(), pair,
                                      [](const std::pair<std::size_t, int>& t, std::size_t p) { return t.first < p; });
  const auto index = static_cast<std::size_t>(after - tall_.begin());
  const int allExtra = runTotal_ - runTop_ - lineHeight_ * int(runRows_);
  const int extra = index < extraBefore_.size() ? extraBefore_[index] : allExtra;
  return runTop_ + lineHeight_ * int(pair) + extra;
}

int MenuLayout::runHeight(std::size_t pair) const {
  const auto found = std::lower_bound(tall_.begin(), tall_.end(), pair,
                                      [](const std::pair<std::size_t, int>& t, std::size_t p) { return t.first < p; });
  return found != tall_.end() && found->first == pair ? found->second : lineHeight_;
}

MenuRow MenuLayout::operator[](std::size_t row) const {
  if (row < before_.size()) return before_[row];
  if (row >= runEnd()) return after_.at(row - runEnd());
  const std::size_t pair = row - before_.size();
  MenuRow made;
  made.kind = MenuRow::Kind::item;
  made.primary = menu_->itemAt(runAt_ + 2 * pair);
  made.shown = alternatesShown_ ? menu_->itemAt(runAt_ + 2 * pair + 1) : made.primary;
  made.top = runTop(pair);
  made.height = runHeight(pair);
  return made;
}

MenuLayout MenuRows::layout(const MenuModel& menu, std::uint64_t heldFlags, const MenuRowMetrics& metrics) {
  MenuLayout rows;
  rows.menu_ = &menu;
  const std::uint64_t held = heldFlags & kModifierBits;
  const MenuModel::PairRun run = menu.pairRun();
  const std::size_t runEnd = run.at + 2 * run.pairs;
  int top = layoutPlain(menu, 0, run.pairs > 0 ? run.at : menu.size(), held, metrics, 0, rows.before_);
  if (run.pairs > 0) {
    rows.runRows_ = run.pairs;
    rows.runAt_ = run.at;
    rows.alternatesShown_ = held == (run.alternateMask & kModifierBits);
    rows.runTop_ = top;
    rows.lineHeight_ = metrics.itemHeight;
    int extra = 0;
    for (const MenuModel::PairImage& image : menu.pairImages()) {
      const int height = imageRowHeight(image.height, metrics);
      if (height == metrics.itemHeight || image.pair >= run.pairs) continue;
      rows.tall_.emplace_back(image.pair, height);
      rows.extraBefore_.push_back(extra);
      extra += height - metrics.itemHeight;
    }
    top += metrics.itemHeight * int(run.pairs) + extra;
    rows.runTotal_ = top;
    layoutPlain(menu, runEnd, menu.size(), held, metrics, top, rows.after_);
  }
  return rows;
}

int MenuRows::rowOf(const MenuLayout& rows, const MenuItem* item) {
  if (!item) return -1;
  for (std::size_t i = 0; i < rows.before_.size(); ++i) {
    if (rows.before_[i].shown.get() == item || rows.before_[i].primary.get() == item) return int(i);
  }
  for (std::size_t i = 0; i < rows.after_.size(); ++i) {
    if (rows.after_[i].shown.get() == item || rows.after_[i].primary.get() == item) return int(rows.runEnd() + i);
  }
  if (rows.runRows_ == 0 || !rows.menu_) return -1;
  const auto index = rows.menu_->indexOf(*item);
  if (!index || *index < rows.runAt_ || *index >= rows.runAt_ + 2 * rows.runRows_) return -1;
  const std::size_t inRun = *index - rows.runAt_;
  // An alternate not shown has no row of its own.
  if (inRun % 2 == 1 && !rows.alternatesShown_) return -1;
  return int(rows.runBegin() + inRun / 2);
}

int MenuRows::rowAt(const MenuLayout& rows, int y) {
  if (rows.empty() || y < 0) return -1;
  const auto inRows = [y](const std::vector<MenuRow>& list) -> int {
    // Rows are sorted by top: binary search, so hit tests stay cheap in long menus.
    auto it = std::upper_bound(list.begin(), list.end(), y,
                               [](int value, const MenuRow& row) { return value < row.top; });
    if (it == list.begin()) return -1;
    --it;
    if (y >= it->top + it->height) return -1;
    return int(it - list.begin());
  };
  if (rows.runRows_ == 0 || y < rows.runTop_) return inRows(rows.before_);
  if (y >= rows.runTotal_) {
    const int row = inRows(rows.after_);
    return row < 0 ? -1 : int(rows.runEnd()) + row;
  }
  // The last pair whose top is at or above y.
  std::size_t low = 0;
  std::size_t high = rows.runRows_;
  while (high - low > 1) {
    const std::size_t middle = low + (high - low) / 2;
    if (rows.runTop(middle) <= y) {
      low = middle;
    } else {
      high = middle;
    }
  }
  return int(rows.runBegin() + low);
}

int MenuRows::totalHeight(const MenuLayout& rows) {
  if (!rows.after_.empty()) return rows.after_.back().top + rows.after_.back().height;
  if (rows.runRows_ > 0) return rows.runTotal_;
  return rows.before_.empty() ? 0 : rows.before_.back().top + rows.before_.back().height;
}

MenuItemPtr MenuRows::highlightFor(const MenuLayout& rows, const MenuItem* highlighted) {
  if (!highlighted) return nullptr;
  for (const auto* list : {&rows.before_, &rows.after_}) {
    for (const MenuRow& row : *list) {
      if (row.shown.get() == highlighted) return row.shown;
    }
  }
  const MenuModel* menu = highlighted->menu();
  if (!menu) return nullptr;
  const auto index = menu->indexOf(*highlighted);
  if (!index) return nullptr;
  if (rows.runRows_ > 0 && menu == rows.menu_ && *index >= rows.runAt_ && *index < rows.runAt_ + 2 * rows.runRows_) {
    return rows[rows.runBegin() + (*index - rows.runAt_) / 2].shown;
  }
  // The highlighted item is a pair's other member: its row shows the member for the held keys.
  if (highlighted->isAlternate()) {
    // Its primary is the nearest item before it that is not an alternate.
    for (std::size_t i = *index; i-- > 0;) {
      const MenuItemPtr& candidate = menu->itemAt(i);
      if (candidate->isAlternate()) continue;
      for (const auto* list : {&rows.before_, &rows.after_}) {
        for (const MenuRow& row : *list) {
          if (row.primary == candidate) return row.shown;
        }
      }
      return nullptr;
    }
    return nullptr;
  }
  for (const auto* list : {&rows.before_, &rows.after_}) {
    for (const MenuRow& row : *list) {
      if (row.primary.get() == highlighted) return row.shown;
    }
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

MenuItemPtr MenuRows::itemForKeyEquivalent(const MenuModel& menu, const std::string& key, std::uint64_t flags) {
  const MenuModel::PairRun run = menu.pairRun();
  const auto plain = [&](std::size_t first, std::size_t last) -> MenuItemPtr {
    for (std::size_t index = first; index < last; ++index) {
      if (matchesKeyEquivalent(*menu.itemAt(index), key, flags)) return menu.itemAt(index);
    }
    return nullptr;
  };
  if (run.pairs == 0) return plain(0, menu.size());
  if (MenuItemPtr item = plain(0, run.at)) return item;
  for (const std::size_t pair : menu.pairsWithKeyEquivalents()) {
    if (pair >= run.pairs) continue;
    for (const std::size_t index : {run.at + 2 * pair, run.at + 2 * pair + 1}) {
      if (matchesKeyEquivalent(*menu.itemAt(index), key, flags)) return menu.itemAt(index);
    }
  }
  return plain(run.at + 2 * run.pairs, menu.size());
}

}  // namespace marbrel
