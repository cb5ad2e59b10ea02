#include "core/menu/MenuModel.h"

#include <algorithm>
#include <stdexcept>

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

const std::vector<MenuItemPtr>& MenuModel::items() const {
  if (pairCount() == 0) return items_;
  if (allItemsRevision_ != revision_) {
    allItems_.clear();
    allItems_.reserve(size());
    for (std::size_t i = 0; i < size(); ++i) allItems_.push_back(itemAt(i));
    allItemsRevision_ = revision_;
  }
  return allItems_;
}

const MenuItemPtr& MenuModel::itemAt(std::size_t index) const {
  if (index < pairsAt_) return items_[index];
  const std::size_t runItems = 2 * pairCount();
  if (index < pairsAt_ + runItems) return pairItem(index - pairsAt_);
  return items_.at(index - runItems);
}

const std::vector<MenuModel::PairImage>& MenuModel::pairImages() const {
  static const std::vector<PairImage> none;
  return none;
}

const MenuItemPtr& MenuModel::pairItem(std::size_t) const {
  throw std::out_of_range("MenuModel: no run of pairs");
}

std::optional<std::size_t> MenuModel::pairItemIndex(const MenuItem&) const { return std::nullopt; }

void MenuModel::removePair(std::size_t) {}

void MenuModel::adoptPairItem(MenuItem& item) const { item.menu_ = const_cast<MenuModel*>(this); }

void MenuModel::releasePairItem(MenuItem& item) {
  if (item.menu_ == this) detach(item);
}

void MenuModel::placePairRun(std::size_t index) {
  const std::size_t at = std::min(index, items_.size());
  if (at == pairsAt_) return;
  pairsAt_ = at;
  if (pairCount() > 0) changed();
}

std::optional<std::size_t> MenuModel::indexOf(const MenuItem& item) const {
  if (!contains(item)) return std::nullopt;
  for (std::size_t i = 0; i < items_.size(); ++i) {
    if (items_[i].get() == &item) return i < pairsAt_ ? i : i + 2 * pairCount();
  }
  if (const auto inRun = pairItemIndex(item)) return pairsAt_ + *inRun;
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

void MenuModel::addItem(MenuItemPtr item) { insertItem(std::move(item), size()); }

void MenuModel::insertItem(MenuItemPtr item, std::size_t index) {
  if (!item) return;
  insertItems({std::move(item)}, index);
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
  // An index within the run puts the items right after it.
  const std::size_t runItems = 2 * pairCount();
  const bool beforeRun = index <= pairsAt_;
  std::size_t position = pairsAt_;
  if (beforeRun) position = index;
  if (index >= pairsAt_ + runItems && !beforeRun) position = index - runItems;
  position = std::min(position, items_.size());
  items_.insert(items_.begin() + static_cast<std::ptrdiff_t>(position), incoming.begin(), incoming.end());
  if (beforeRun) pairsAt_ += incoming.size();
  changed();
}

void MenuModel::removeItemAt(std::size_t index) {
  const std::size_t runItems = 2 * pairCount();
  if (index >= pairsAt_ && index < pairsAt_ + runItems) {
    removePair((index - pairsAt_) / 2);
    return;
  }
  const std::size_t position = index < pairsAt_ ? index : index - runItems;
  if (position >= items_.size()) return;
  const MenuItemPtr item = items_[position];
  items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(position));
  if (position < pairsAt_) --pairsAt_;
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
  std::size_t before = 0;
  for (std::size_t i = 0; i < items_.size(); ++i) {
    auto& item = items_[i];
    if (predicate(*item)) {
      detach(*item);
      removed = true;
    } else {
      if (i < pairsAt_) ++before;
      kept.push_back(std::move(item));
    }
  }
  items_ = std::move(kept);
  pairsAt_ = before;
  if (removed) changed();
}

void MenuModel::removeAllItems() {
  Batch batch(*this);
  removeAllPairs();
  if (items_.empty()) return;
  for (const auto& item : items_) detach(*item);
  items_.clear();
  pairsAt_ = 0;
  changed();
}

bool MenuModel::isShownAt(std::size_t index) const {
  // The run's primaries are all shown, and so its alternates, with their keys held.
  const std::size_t runItems = 2 * pairCount();
  if (index >= pairsAt_ && index < pairsAt_ + runItems) return true;
  // An alternate is hidden until its modifiers are held; it is then shown in its primary's row, the
  // nearest item before it that is no alternate.
  while (index < size() && itemAt(index)->isAlternate()) {
    if (index == 0) return false;
    --index;
    if (index >= pairsAt_ && index < pairsAt_ + runItems) return true;
  }
  return index < size() && !itemAt(index)->isHidden();
}

void MenuModel::highlightItem(const MenuItem* item) {
  MenuItemPtr target;
  if (item && contains(*item) && item->isEnabled() && !item->isSeparator()) {
    if (const auto index = indexOf(*item); index && isShownAt(*index)) target = itemAt(*index);
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
