// The history menu's rows: which entries they show, in which order and with which numbers, and
// how the search filters them. Moving the highlight is in MenuSelection.cpp, removing and pinning
// entries in MenuEditing.cpp.
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

}  // namespace marbrel
