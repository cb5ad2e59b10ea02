// Changing the history through its menu: removing rows and entries, deleting the highlighted one,
// pinning and unpinning with the next free pin letter.
#include "core/menu/Menu.h"

#include <algorithm>

#include "core/config/Configuration.h"
#include "core/history/History.h"
#include "core/history/HistoryStore.h"

namespace marbrel {

void Menu::removeSlots(const std::vector<Slot>& doomed) {
  if (doomed.empty()) return;
  std::vector<Slot> sorted = doomed;
  std::sort(sorted.begin(), sorted.end());
  const auto isDoomed = [&sorted](Slot slot) { return std::binary_search(sorted.begin(), sorted.end(), slot); };
  Batch batch(*this);
  auto all = std::make_shared<Order>(*all_);
  std::erase_if(*all, isDoomed);
  const bool runShared = shown_ == all_;
  all_ = std::move(all);
  for (const Slot slot : sorted) {
    const auto found = rows_.find(slot);
    if (found == rows_.end()) continue;
    releasePairItem(*found->second.primary);
    releasePairItem(*found->second.alternate);
    rows_.erase(found);
  }
  historyItems_.clear();
  historyItemsMade_ = false;
  if (runShared) {
    showRun(all_);
    return;
  }
  auto shown = std::make_shared<Order>(*shown_);
  std::erase_if(*shown, isDoomed);
  showRun(std::move(shown));
}

void Menu::removePair(std::size_t pair) {
  if (pair < shown_->size()) removeSlots({(*shown_)[pair]});
}

void Menu::removeItems(const Items& items) {
  std::vector<Slot> doomed;
  for (const auto& item : items) {
    if (!item || !item->item()) continue;
    if (const auto slot = entries_.slotOf(*item->item())) doomed.push_back(*slot);
  }
  removeSlots(doomed);
}

void Menu::removeAllHistoryItems() {
  if (all_->empty() && shown_->empty()) return;
  Batch batch(*this);
  dropRows();
  all_ = std::make_shared<const Order>();
  showRun(all_);
}

void Menu::removeUnpinnedHistoryItems() {
  std::vector<Slot> doomed;
  for (const Slot slot : *all_) {
    if (!entries_.isPinned(slot)) doomed.push_back(slot);
  }
  removeSlots(doomed);
}

const Menu::Items& Menu::historyItems() const {
  if (!historyItemsMade_) {
    historyItems_.clear();
    historyItems_.reserve(2 * all_->size());
    std::unordered_map<Slot, std::size_t> positions;
    for (std::size_t position = 0; position < shown_->size(); ++position) {
      positions.emplace((*shown_)[position], position);
    }
    for (const Slot slot : *all_) {
      const auto position = positions.find(slot);
      Pair& pair = pairFor(slot, position == positions.end() ? std::nullopt : std::optional(position->second));
      historyItems_.push_back(std::static_pointer_cast<HistoryMenuItem>(pair.primary));
      historyItems_.push_back(std::static_pointer_cast<HistoryMenuItem>(pair.alternate));
    }
    historyItemsMade_ = true;
  }
  return historyItems_;
}

HistoryMenuItemPtr Menu::partnerOf(const HistoryMenuItem& item) const {
  const auto index = indexOf(item);
  if (!index) return nullptr;
  const PairRun run = pairRun();
  if (*index < run.at || *index >= run.at + 2 * run.pairs) return nullptr;
  const std::size_t partner = (*index - run.at) % 2 == 0 ? *index + 1 : *index - 1;
  return std::static_pointer_cast<HistoryMenuItem>(itemAt(partner));
}

void Menu::deleteHighlightedItem() {
  const auto target = std::dynamic_pointer_cast<HistoryMenuItem>(highlightedItem());
  if (!target) return;
  const auto index = indexOf(*target);
  if (!index) return;
  Batch batch(*this);
  // The next pair moves up by two rows, so the row now at the deleted row's position plays the same
  // part (primary or alternate) in the next pair.
  const std::size_t next = *index;
  removeItems({target});
  if (target->item()) history_.remove(target->item());
  renumber(*shown_);
  highlight(next < size() ? itemAt(next).get() : nullptr);
}

void Menu::togglePin() {
  const auto target = std::dynamic_pointer_cast<HistoryMenuItem>(highlightedItem());
  if (!target) return;
  Batch batch(*this);
  const HistoryItemPtr entry = target->item();
  if (const HistoryMenuItemPtr partner = partnerOf(*target)) {
    if (target->isPinned()) {
      for (const auto& row : {partner, target}) {
        if (row->item()) row->item()->setPin(std::nullopt);
        row->setPinned(false);
        row->setKeyEquivalent(std::string());
        row->setState(MenuItem::State::off);
      }
    } else {
      const std::string letter = nextAvailablePin();
      for (const auto& row : {partner, target}) {
        if (row->item()) row->item()->setPin(letter);
        row->setPinned(true);
        row->setKeyEquivalent(letter);
        row->setState(MenuItem::State::on);
      }
    }
  }
  history_.store().saveContext();
  populate();
  renumber(*all_);
  highlightFirst(*all_, [this, &entry](Slot slot) { return entries_.entry(slot) == entry; });
}

std::string Menu::nextAvailablePin() {
  // The letters the history rows carry: every pinned entry's.
  std::set<std::string> used;
  for (const Slot slot : *all_) {
    const auto found = rows_.find(slot);
    if (found != rows_.end()) {
      used.insert(found->second.primary->keyEquivalent());
      used.insert(found->second.alternate->keyEquivalent());
    } else if (const auto& pin = entries_.entry(slot)->pin()) {
      used.insert(*pin);
    }
  }
  std::vector<std::string> free;
  for (const auto& letter : availablePins()) {
    if (!used.count(letter)) free.push_back(letter);
  }
  if (free.empty()) return std::string();
  std::uniform_int_distribution<std::size_t> pick(0, free.size() - 1);
  return free[pick(random_)];
}

}  // namespace marbrel
