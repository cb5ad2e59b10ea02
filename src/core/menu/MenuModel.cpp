#include "core/menu/MenuModel.h"

#include <algorithm>

namespace marbrel {

MenuModel::MenuModel(std::string title) : title_(std::move(title)) {}

MenuModel::~MenuModel() {
  for (const auto& item : items_) item->menu_ = nullptr;
}

void MenuModel::setMinimumWidth(double width) {
  if (width == minimumWidth_) return;
  minimumWidth_ = width;
  changed();
}

std::optional<std::size_t> MenuModel::indexOf(const MenuItem& item) const {
  if (!contains(item)) return std::nullopt;
  for (std::size_t i = 0; i < items_.size(); ++i) {
    if (items_[i].get() == &item) return i;
  }
  return std::nullopt;
}

MenuItemPtr MenuModel::itemWithTag(int tag) const {
  for (const auto& item : items_) {
    if (item->tag() == tag) return item;
  }
  return nullptr;
}

void MenuModel::attach(MenuItem& item) {
  if (item.menu_) item.menu_->removeItem(item);
  item.menu_ = this;
}

void MenuModel::detach(MenuItem& item) {
  item.menu_ = nullptr;
  if (highlighted_.get() == &item) highlighted_.reset();
}

void MenuModel::addItem(MenuItemPtr item) { insertItem(std::move(item), items_.size()); }

void MenuModel::insertItem(MenuItemPtr item, std::size_t index) {
  if (!item) return;
  attach(*item);
  index = std::min(index, items_.size());
  items_.insert(items_.begin() + static_cast<std::ptrdiff_t>(index), std::move(item));
  changed();
}

void MenuModel::insertItems(const std::vector<MenuItemPtr>& items, std::size_t index) {
  Batch batch(*this);
  std::vector<MenuItemPtr> incoming;
  incoming.reserve(items.size());
  for (const auto& item : items) {
    if (!item) continue;
    // An item that sits in this menu already moves: take it out first, which may shift `index`.
    if (contains(*item)) {
      const auto at = indexOf(*item);
      if (at && *at < index) --index;
    }
    attach(*item);
    incoming.push_back(item);
  }
  index = std::min(index, items_.size());
  items_.insert(items_.begin() + static_cast<std::ptrdiff_t>(index), incoming.begin(), incoming.end());
  changed();
}

void MenuModel::removeItemAt(std::size_t index) {
  if (index >= items_.size()) return;
  const MenuItemPtr item = items_[index];
  items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(index));
  detach(*item);
  changed();
}

void MenuModel::removeItem(const MenuItem& item) {
  if (const auto index = indexOf(item)) removeItemAt(*index);
}

void MenuModel::removeItemsIf(const std::function<bool(const MenuItem&)>& predicate) {
  std::vector<MenuItemPtr> kept;
  kept.reserve(items_.size());
  bool removed = false;
  for (auto& item : items_) {
    if (predicate(*item)) {
      detach(*item);
      removed = true;
    } else {
      kept.push_back(std::move(item));
    }
  }
  items_ = std::move(kept);
  if (removed) changed();
}

void MenuModel::removeAllItems() {
  if (items_.empty()) return;
  for (const auto& item : items_) detach(*item);
  items_.clear();
  changed();
}

bool MenuModel::isShownAt(std::size_t index) const {
  // An alternate is hidden until its modifiers are held; it is then shown in its primary's row, the
  // nearest item before it that is no alternate.
  while (index < items_.size() && items_[index]->isAlternate()) {
    if (index == 0) return false;
    --index;
  }
  return index < items_.size() && !items_[index]->isHidden();
}

void MenuModel::highlightItem(const MenuItem* item) {
  MenuItemPtr target;
  if (item && contains(*item) && item->isEnabled() && !item->isSeparator()) {
    if (const auto index = indexOf(*item); index && isShownAt(*index)) target = items_[*index];
  }
  if (target == highlighted_) return;
  highlighted_ = std::move(target);
  changed();
}

MenuModel::ObserverId MenuModel::addObserver(Observer observer) {
  const ObserverId id = nextObserverId_++;
  observers_[id] = std::move(observer);
  return id;
}

void MenuModel::removeObserver(ObserverId id) { observers_.erase(id); }

void MenuModel::itemChanged() { changed(); }

void MenuModel::changed() {
  ++revision_;
  if (batchDepth_ > 0) {
    pendingNotification_ = true;
    return;
  }
  // Copy first: an observer may add or remove observers.
  const auto observers = observers_;
  for (const auto& [id, observer] : observers) observer();
}

MenuModel::Batch::Batch(MenuModel& model) : model_(model) { ++model_.batchDepth_; }

MenuModel::Batch::~Batch() {
  if (--model_.batchDepth_ > 0 || !model_.pendingNotification_) return;
  model_.pendingNotification_ = false;
  const auto observers = model_.observers_;
  for (const auto& [id, observer] : observers) observer();
}

}  // namespace marbrel
