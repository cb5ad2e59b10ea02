#include "core/menu/Menu.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <limits>

#include "core/config/Configuration.h"
#include "core/history/Clipboard.h"
#include "core/history/History.h"
#include "core/history/HistoryStore.h"

namespace marbrel {

namespace {

const std::array<std::string, Menu::kMaxHotKey + 1> kNumbers{"", "1", "2", "3", "4",
                                                             "5", "6", "7", "8", "9"};

// Puts an entry back on the clipboard. Values read from the store just for this are let go
// afterwards: the clipboard holds its own copy, and a large image must not stay in memory.
void copyToClipboard(Clipboard& clipboard, const HistoryItemPtr& entry) {
  std::vector<const HistoryItemContent*> readForTheCopy;
  for (const auto& content : entry->contents()) {
    if (!content->isValueLoaded()) readForTheCopy.push_back(content.get());
  }
  clipboard.copy(entry);
  for (const HistoryItemContent* content : readForTheCopy) content->releaseValue();
}

bool isCandidate(const MenuItem& item, bool alternate) {
  return !item.isSeparator() && item.isEnabled() && item.isAlternate() == alternate;
}

HistoryMenuItem& rowOf(const MenuItemPtr& item) { return static_cast<HistoryMenuItem&>(*item); }


}  // namespace

Menu::Menu(History& history, Clipboard& clipboard, Configuration& configuration,
           const ImageDecoder& images, const Strings& strings, std::mt19937 random)
    : MenuModel("Marbrel"),
      history_(history),
      clipboard_(clipboard),
      configuration_(configuration),
      search_(configuration),
      entries_(history.store(), search_.fuse()),
      presentations_(images, strings),
      random_(std::move(random)),
      all_(std::make_shared<const Order>()),
      shown_(all_) {
  configuration_.defaults().registerDefault(Configuration::Keys::maxMenuItems, Defaults::Value(0));
  // Every row registers the same default; once for all of them is the same.
  HistoryMenuItem::registerDefaults(configuration_);
  setMinimumWidth(kMenuWidth);
}

Menu::~Menu() {
  for (auto& [slot, pair] : rows_) {
    releasePairItem(*pair.primary);
    releasePairItem(*pair.alternate);
  }
}

const std::set<std::string>& Menu::availablePins() {
  static const std::set<std::string> pins = [] {
    std::set<std::string> letters;
    for (char c = 'a'; c <= 'z'; ++c) {
      if (c != 'p' && c != 'q') letters.insert(std::string(1, c));
    }
    return letters;
  }();
  return pins;
}

std::int64_t Menu::itemLimit() const {
  const std::int64_t max = configuration_.maxMenuItems();
  if (max <= 0) return 0;
  return max > std::numeric_limits<std::int64_t>::max() / 2 ? std::numeric_limits<std::int64_t>::max()
                                                            : 2 * max;
}

template <typename Wanted>
void Menu::highlightFirst(const Order& list, Wanted wanted) {
  const auto found = std::find_if(list.begin(), list.end(), wanted);
  const MenuItem* target = nullptr;
  if (found != list.end()) {
    // The entry's primary row, when the run shows it.
    const Order& run = *shown_;
    const auto at = std::find(run.begin(), run.end(), *found);
    if (at != run.end()) target = pairItem(2 * static_cast<std::size_t>(at - run.begin())).get();
  }
  highlight(target);
}

void Menu::rebuild() {
  Batch batch(*this);
  populate();
  renumber(*all_);
  highlightFirst(*all_, [this](Slot slot) { return !entries_.isPinned(slot); });
}

void Menu::rebuildOpen(std::string_view query, const std::optional<RowHighlight>& row) {
  Batch batch(*this);
  rebuild();
  if (!query.empty()) updateFilter(query);
  if (!row || !row->entry) return;
  const auto slot = entries_.slotOf(*row->entry);
  if (!slot) return;
  const Order& run = *shown_;
  const auto at = std::find(run.begin(), run.end(), *slot);
  if (at == run.end()) return;
  highlight(pairItem(2 * static_cast<std::size_t>(at - run.begin()) + (row->alternate ? 1 : 0)).get());
}

std::optional<Menu::RowHighlight> Menu::highlightedRow() const {
  const auto row = std::dynamic_pointer_cast<HistoryMenuItem>(highlightedItem());
  if (!row || !row->item()) return std::nullopt;
  return RowHighlight{row->item(), row->isAlternate()};
}

HistoryMenuItemPtr Menu::makeItem(const HistoryItemPtr& entry,
                                  const std::shared_ptr<const EntryPresentation>& presentation,
                                  bool paste) const {
  HistoryMenuItem::Callback callback;
  Clipboard& clipboard = clipboard_;
  if (paste) {
    callback = [&clipboard](HistoryMenuItem& item) {
      if (!item.item()) return;
      copyToClipboard(clipboard, item.item());
      clipboard.paste();
    };
  } else {
    callback = [&clipboard](HistoryMenuItem& item) {
      if (item.item()) copyToClipboard(clipboard, item.item());
    };
  }
  return std::make_shared<HistoryMenuItem>(entry, std::move(callback), presentation, imageMaxHeight_);
}

Menu::Pair& Menu::pairFor(Slot slot, std::optional<std::size_t> position) const {
  auto found = rows_.find(slot);
  if (found == rows_.end()) {
    const HistoryItemPtr& entry = entries_.entry(slot);
    const auto presentation = presentations_.presentation(entry);
    HistoryMenuItemPtr copyItem = makeItem(entry, presentation, false);
    HistoryMenuItemPtr pasteItem = makeItem(entry, presentation, true);
    HistoryMenuItemPtr& alternate = pasteByDefault_ ? copyItem : pasteItem;
    alternate->setHidden(true);
    alternate->setAlternate(true);
    alternate->setKeyEquivalentModifierMask(modifier_flags::kOption);
    HistoryMenuItemPtr primary = pasteByDefault_ ? std::move(pasteItem) : std::move(copyItem);
    if (!primary->isPinned()) {
      primary->setKeyEquivalent(numberFor(slot));
      alternate->setKeyEquivalent(numberFor(slot));
    }
    Pair pair;
    pair.primary = std::move(primary);
    pair.alternate = std::move(alternate);
    found = rows_.emplace(slot, std::move(pair)).first;
  }
  Pair& pair = found->second;
  if (position && !pair.shown) {
    pair.position = *position;
    pair.shown = true;
    // Made complete before it joins the menu, so making it tells no observer anything.
    adoptPairItem(*pair.primary);
    adoptPairItem(*pair.alternate);
  }
  return pair;
}

const MenuItemPtr& Menu::pairItem(std::size_t index) const {
  const std::size_t position = index / 2;
  Pair& pair = pairFor(shown_->at(position), position);
  return index % 2 == 0 ? pair.primary : pair.alternate;
}

std::optional<std::size_t> Menu::pairItemIndex(const MenuItem& item) const {
  const auto* row = dynamic_cast<const HistoryMenuItem*>(&item);
  if (!row || !row->item()) return std::nullopt;
  const auto slot = entries_.slotOf(*row->item());
  if (!slot) return std::nullopt;
  const auto found = rows_.find(*slot);
  if (found == rows_.end() || !found->second.shown) return std::nullopt;
  const Pair& pair = found->second;
  if (pair.primary.get() == &item) return 2 * pair.position;
  if (pair.alternate.get() == &item) return 2 * pair.position + 1;
  return std::nullopt;
}

const std::string& Menu::numberFor(Slot slot) const {
  const auto found = std::find(numbered_.begin(), numbered_.end(), slot);
  return kNumbers[found == numbered_.end() ? 0 : static_cast<std::size_t>(found - numbered_.begin()) + 1];
}

void Menu::renumber(const Order& list) {
  Batch batch(*this);
  // Pinned entries take no number, so the first nine unpinned ones get 1 to 9 wherever the pinned
  // ones stand.
  numbered_.clear();
  for (const Slot slot : list) {
    if (numbered_.size() == static_cast<std::size_t>(kMaxHotKey)) break;
    if (!entries_.isPinned(slot)) numbered_.push_back(slot);
  }
  locateNumbered();
  for (auto& [slot, pair] : rows_) {
    if (rowOf(pair.primary).isPinned()) continue;
    pair.primary->setKeyEquivalent(numberFor(slot));
    pair.alternate->setKeyEquivalent(numberFor(slot));
  }
}

void Menu::dropRows() {
  for (auto& [slot, pair] : rows_) {
    releasePairItem(*pair.primary);
    releasePairItem(*pair.alternate);
  }
  rows_.clear();
  historyItems_.clear();
  historyItemsMade_ = false;
}

void Menu::showRun(std::shared_ptr<const Order> shown) {
  // Rows that leave the run leave the menu; those of the new run join it when first asked for.
  for (auto& [slot, pair] : rows_) {
    if (!pair.shown) continue;
    pair.shown = false;
    releasePairItem(*pair.primary);
    releasePairItem(*pair.alternate);
  }
  shown_ = std::move(shown);
  placePairRun(std::min<std::size_t>(1, plainItemCount()));
  // The image rows are taller than the others: their sizes are needed to lay the run out.
  images_.clear();
  pinnedPairs_.clear();
  locateNumbered();
  const Order& run = *shown_;
  for (std::size_t position = 0; position < run.size(); ++position) {
    if (entries_.isPinned(run[position])) pinnedPairs_.push_back(position);
    if (!entries_.isImage(run[position])) continue;
    const auto presentation = presentations_.presentation(entries_.entry(run[position]));
    if (presentation->kind() != EntryPresentation::Kind::image) continue;
    images_.push_back({position, HistoryMenuItem::thumbnailSize(presentation->imageSize(), imageMaxHeight_).height});
  }
  pairsChanged();
}

void Menu::locateNumbered() {
  // A numbered entry that the run shows is among its first nine unpinned ones.
  numberedPairs_.clear();
  const Order& run = *shown_;
  std::size_t unpinned = 0;
  for (std::size_t position = 0; position < run.size() && unpinned < numbered_.size(); ++position) {
    if (entries_.isPinned(run[position])) continue;
    ++unpinned;
    if (std::find(numbered_.begin(), numbered_.end(), run[position]) != numbered_.end()) {
      numberedPairs_.push_back(position);
    }
  }
}

std::vector<std::size_t> Menu::pairsWithKeyEquivalents() const {
  std::vector<std::size_t> keyed;
  keyed.reserve(pinnedPairs_.size() + numberedPairs_.size());
  std::merge(pinnedPairs_.begin(), pinnedPairs_.end(), numberedPairs_.begin(), numberedPairs_.end(),
             std::back_inserter(keyed));
  keyed.erase(std::unique(keyed.begin(), keyed.end()), keyed.end());
  return keyed;
}

void Menu::populate() {
  Batch batch(*this);
  dropRows();
  query_.clear();
  numbered_.clear();  // fresh rows carry no number until renumbered
  history_.trim();
  entries_.update(MenuEntries::sortKeyFor(configuration_.sortBy()), configuration_.pinTo() == "bottom");
  pasteByDefault_ = configuration_.pasteByDefault();
  imageMaxHeight_ = static_cast<double>(configuration_.imageMaxHeight());
  all_ = entries_.order();

  // The limit takes unpinned rows off the bottom; pinned rows always stay.
  const std::int64_t limit = itemLimit();
  const std::size_t entries = all_->size();
  std::shared_ptr<const Order> shown = all_;
  if (limit >= 1 && 2 * static_cast<std::uint64_t>(entries) > static_cast<std::uint64_t>(limit)) {
    std::size_t excess = entries - static_cast<std::size_t>(limit / 2);
    std::vector<bool> cut(entries, false);
    for (std::size_t i = entries; i-- > 0 && excess > 0;) {
      if (entries_.isPinned((*all_)[i])) continue;
      cut[i] = true;
      --excess;
    }
    auto kept = std::make_shared<Order>();
    for (std::size_t i = 0; i < entries; ++i) {
      if (!cut[i]) kept->push_back((*all_)[i]);
    }
    shown = std::move(kept);
  }
  showRun(std::move(shown));
  presentations_.prune();
}

void Menu::updateFilter(std::string_view query) {
  Batch batch(*this);
  const std::int64_t limit = itemLimit();
  const std::size_t pairs = limit >= 1 ? static_cast<std::size_t>(limit / 2) : 0;
  // No query and no limit: every row, the list the rebuild made.
  auto results = query.empty() && (pairs == 0 || all_->size() <= pairs)
                     ? all_
                     : std::make_shared<const Order>(search_.searchEntries(query, *all_, entries_, pairs));
  query_ = query;
  queryFuzzy_ = configuration_.fuzzySearch();
  ++filter_;
  showRun(results);
  renumber(*results);
  highlight(results->empty() ? nullptr : pairItem(0).get());
}

TitleMarks Menu::titleMarks(const MenuItem& item) const {
  if (query_.empty()) return {};
  const auto* row = dynamic_cast<const HistoryMenuItem*>(&item);
  if (!row || !row->item() || row->menu() != this) return {};
  const auto slot = entries_.slotOf(*row->item());
  if (!slot) return {};
  const auto found = rows_.find(*slot);
  if (found == rows_.end()) return {};
  Pair& pair = found->second;
  if (pair.marksFilter != filter_) {
    // The plain search's folded text of the entry spares folding a long text again.
    std::optional<std::string_view> folded;
    if (!queryFuzzy_ && entries_.hasText(*slot)) folded = entries_.texts().folded(entries_.textOf(*slot));
    pair.marks = title_marks::forPresentation(row->presentation(), query_, queryFuzzy_ ? &search_.fuse() : nullptr,
                                              folded);
    pair.marksFilter = filter_;
  }
  return pair.marks;
}

void Menu::highlight(const MenuItem* item) {
  Batch batch(*this);
  highlightItem(empty() ? nullptr : itemAt(0).get());
  if (item && contains(*item)) highlightItem(item);
}

bool Menu::isCandidateAt(std::size_t index, bool alternate) const {
  const PairRun run = pairRun();
  if (index >= run.at && index < run.at + 2 * run.pairs) return ((index - run.at) % 2 == 1) == alternate;
  // Items the user cannot see whatever keys are held (the footer when "hideFooter" is on, and
  // alternates standing in for them) are skipped.
  return isCandidate(*itemAt(index), alternate) && isShownAt(index);
}

const MenuItem* Menu::counterpart(const MenuItem* item, bool alternate) const {
  if (!item || item->isAlternate() == alternate) return item;
  // Both rows of a pair are in the model and the view shows one or the other by the modifiers
  // held, so the highlighted row may be the other member of the pair that is in view.
  const auto index = indexOf(*item);
  if (!index) return item;
  if (alternate && *index + 1 < size() && isCandidateAt(*index + 1, alternate)) return itemAt(*index + 1).get();
  if (!alternate && *index > 0 && isCandidateAt(*index - 1, alternate)) return itemAt(*index - 1).get();
  return item;
}

bool Menu::highlightNext(bool alternate, bool forward) {
  const std::size_t count = size();
  if (count == 0) return false;
  // Walks the candidates in the direction of travel, starting after `from`.
  const auto next = [&](std::size_t from, bool started) -> std::optional<std::size_t> {
    std::size_t i = from;
    for (std::size_t step = 0; step < count; ++step) {
      if (started) {
        if (forward ? i + 1 >= count : i == 0) return std::nullopt;
        i = forward ? i + 1 : i - 1;
      }
      started = true;
      if (isCandidateAt(i, alternate)) return i;
    }
    return std::nullopt;
  };
  const MenuItem* current = counterpart(highlightedItem().get(), alternate);
  std::optional<std::size_t> at;
  if (!current) {
    at = next(forward ? 0 : count - 1, false);  // nothing highlighted: the first candidate counts
  } else if (const auto index = indexOf(*current); index && isCandidateAt(*index, alternate)) {
    at = index;
  }
  if (!at) return false;
  const auto following = next(*at, true);
  if (!following) return false;
  highlight(itemAt(*following).get());
  return true;
}

void Menu::selectNext(bool alternate) {
  if (!highlightNext(alternate, true)) selectFirst(alternate);
}

void Menu::selectPrevious(bool alternate) {
  if (!highlightNext(alternate, false)) selectLast(alternate);
}

void Menu::selectFirst(bool alternate) {
  for (std::size_t i = 0; i < size(); ++i) {
    if (isCandidateAt(i, alternate)) return highlight(itemAt(i).get());
  }
  highlight(nullptr);
}

void Menu::selectLast(bool alternate) {
  for (std::size_t i = size(); i-- > 0;) {
    if (isCandidateAt(i, alternate)) return highlight(itemAt(i).get());
  }
  highlight(nullptr);
}

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
