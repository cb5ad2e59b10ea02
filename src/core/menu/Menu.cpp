#include "core/menu/Menu.h"

#include <algorithm>
#include <array>
#include <limits>
#include <cstdint>

#include "core/config/Configuration.h"
#include "core/history/Clipboard.h"
#include "core/history/History.h"
#include "core/history/HistoryStore.h"
#include "core/history/Sorter.h"

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

// A set of items by identity, for the membership tests of whole-menu operations: an open-addressing
// table of pointers, much lighter than a node-based set for tens of thousands of rows.
class IdentitySet {
 public:
  explicit IdentitySet(const Menu::Items& items) {
    reserve(items.size());
    for (const auto& item : items) insert(item.get());
  }
  explicit IdentitySet(const std::vector<const MenuItem*>& items) {
    reserve(items.size());
    for (const MenuItem* item : items) insert(item);
  }
  bool contains(const MenuItem* item) const {
    for (std::size_t i = slot(item); slots_[i]; i = (i + 1) & mask_) {
      if (slots_[i] == item) return true;
    }
    return false;
  }

 private:
  void reserve(std::size_t count) {
    std::size_t capacity = 16;
    while (capacity < count * 2) capacity *= 2;
    slots_.assign(capacity, nullptr);
    mask_ = capacity - 1;
  }
  void insert(const MenuItem* item) {
    if (!item) return;
    std::size_t i = slot(item);
    while (slots_[i] && slots_[i] != item) i = (i + 1) & mask_;
    slots_[i] = item;
  }
  std::size_t slot(const MenuItem* item) const {
    const auto bits = reinterpret_cast<std::uintptr_t>(item) >> 4;
    return static_cast<std::size_t>(bits * 0x9E3779B97F4A7C15ull >> 20) & mask_;
  }

  std::vector<const MenuItem*> slots_;
  std::size_t mask_ = 0;
};

// The items of `menu` that the user cannot see whatever keys are held: hidden items (the footer
// when "hideFooter" is on), and alternates whose primary is one of them. Navigation skips them;
// there are few, so the set stays small.
IdentitySet unseenItems(const MenuModel& menu) {
  std::vector<const MenuItem*> unseen;
  bool primaryShown = false;
  for (const auto& item : menu.items()) {
    if (!item->isAlternate()) primaryShown = !item->isHidden();
    if (!primaryShown) unseen.push_back(item.get());
  }
  return IdentitySet(unseen);
}

}  // namespace

Menu::Menu(History& history, Clipboard& clipboard, Configuration& configuration,
           const ImageDecoder& images, const Strings& strings, std::mt19937 random)
    : MenuModel("Marbrel"),
      history_(history),
      clipboard_(clipboard),
      configuration_(configuration),
      search_(configuration),
      presentations_(images, strings),
      random_(std::move(random)) {
  configuration_.defaults().registerDefault(Configuration::Keys::maxMenuItems, Defaults::Value(0));
  // Every row registers the same default; once for all of them is the same.
  HistoryMenuItem::registerDefaults(configuration_);
  setMinimumWidth(kMenuWidth);
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
  populate(history_.all());
  renumber(historyItems_);
  const auto firstUnpinned = std::find_if(historyItems_.begin(), historyItems_.end(),
                                          [](const auto& item) { return !item->isPinned(); });
  highlight(firstUnpinned == historyItems_.end() ? nullptr : firstUnpinned->get());
}

HistoryMenuItemPtr Menu::makeItem(const HistoryItemPtr& entry,
                                  const std::shared_ptr<const EntryPresentation>& presentation,
                                  bool paste, double imageMaxHeight) {
  HistoryMenuItem::Callback callback;
  if (paste) {
    callback = [this](HistoryMenuItem& item) {
      if (!item.item()) return;
      copyToClipboard(clipboard_, item.item());
      clipboard_.paste();
    };
  } else {
    callback = [this](HistoryMenuItem& item) {
      if (item.item()) copyToClipboard(clipboard_, item.item());
    };
  }
  return std::make_shared<HistoryMenuItem>(entry, std::move(callback), presentation, imageMaxHeight);
}

void Menu::populate(const std::vector<HistoryItemPtr>& entries) {
  Batch batch(*this);
  removeItems(historyItems_);
  const std::size_t fixedItems = size();

  const std::vector<HistoryItemPtr> sorted = Sorter(configuration_.sortBy(), configuration_).sort(entries);
  const bool pasteByDefault = configuration_.pasteByDefault();
  const auto imageMaxHeight = static_cast<double>(configuration_.imageMaxHeight());

  // Each entry's pair goes to the top in turn, so the sorter's last entry ends up first.
  Items built;
  built.reserve(sorted.size() * 2);
  for (auto it = sorted.rbegin(); it != sorted.rend(); ++it) {
    const auto presentation = presentations_.presentation(*it);
    HistoryMenuItemPtr copyItem = makeItem(*it, presentation, false, imageMaxHeight);
    HistoryMenuItemPtr pasteItem = makeItem(*it, presentation, true, imageMaxHeight);
    HistoryMenuItemPtr& alternate = pasteByDefault ? copyItem : pasteItem;
    alternate->setHidden(true);
    alternate->setAlternate(true);
    alternate->setKeyEquivalentModifierMask(modifier_flags::kOption);
    built.push_back(pasteByDefault ? std::move(pasteItem) : std::move(copyItem));
    built.push_back(std::move(alternate));
  }
  presentations_.prune();
  historyItems_.insert(historyItems_.begin(), built.begin(), built.end());
  insertItems(std::vector<MenuItemPtr>(built.begin(), built.end()), std::min<std::size_t>(1, size()));

  // The limit takes unpinned rows off the bottom; pinned rows always stay.
  const std::int64_t limit = itemLimit();
  const std::size_t added = size() - fixedItems;
  if (limit >= 1 && added > static_cast<std::uint64_t>(limit)) {
    std::size_t excess = added - static_cast<std::size_t>(limit);
    Items doomed;
    for (auto it = historyItems_.rbegin(); it != historyItems_.rend() && excess > 0; ++it) {
      if ((*it)->isPinned() || !contains(**it)) continue;
      doomed.push_back(*it);
      --excess;
    }
    const IdentitySet cutSet(doomed);
    removeItemsIf([&cutSet](const MenuItem& item) { return cutSet.contains(&item); });
  }
}

void Menu::renumber(const Items& items) {
  Batch batch(*this);
  for (const auto& item : historyItems_) {
    if (!item->isPinned()) item->setKeyEquivalent(std::string());
  }
  // Pinned pairs take no number, so the first nine unpinned pairs get 1 to 9 wherever the pinned
  // ones stand.
  int counter = 1;
  for (const auto& item : items) {
    if (item->isPinned()) continue;
    if (counter <= kMaxHotKey) item->setKeyEquivalent(kNumbers[counter]);
    if (item->isAlternate()) ++counter;
  }
}

void Menu::updateFilter(std::string_view query) {
  Batch batch(*this);
  Items results = search_.searchItems(query, historyItems_);
  const std::int64_t limit = itemLimit();
  if (limit >= 1 && results.size() > static_cast<std::uint64_t>(limit)) {
    results.resize(static_cast<std::size_t>(limit));
  }
  const IdentitySet history(historyItems_);
  removeItemsIf([&history](const MenuItem& item) { return history.contains(&item); });
  insertItems(std::vector<MenuItemPtr>(results.begin(), results.end()),
              std::min<std::size_t>(1, size()));
  renumber(results);
  highlight(results.empty() ? nullptr : results.front().get());
}

void Menu::highlight(const MenuItem* item) {
  Batch batch(*this);
  highlightItem(empty() ? nullptr : itemAt(0).get());
  if (item && contains(*item)) highlightItem(item);
}

std::vector<MenuItemPtr> Menu::navigationCandidates(const std::vector<MenuItemPtr>& items,
                                                    bool alternate) const {
  const IdentitySet unseen = unseenItems(*this);
  std::vector<MenuItemPtr> candidates;
  for (const auto& item : items) {
    if (isCandidate(*item, alternate) && !unseen.contains(item.get())) candidates.push_back(item);
  }
  return candidates;
}

const MenuItem* Menu::counterpart(const MenuItem* item, bool alternate) const {
  if (!item || item->isAlternate() == alternate) return item;
  // Both rows of a pair are in the model and the view shows one or the other by the modifiers
  // held, so the highlighted row may be the other member of the pair that is in view.
  const auto index = indexOf(*item);
  if (!index) return item;
  const MenuItem* other = nullptr;
  if (alternate && *index + 1 < size()) other = itemAt(*index + 1).get();
  if (!alternate && *index > 0) other = itemAt(*index - 1).get();
  return other && isCandidate(*other, alternate) ? other : item;
}

bool Menu::highlightNext(const std::vector<MenuItemPtr>& items, bool alternate) {
  const MenuItem* current = counterpart(highlightedItem().get(), alternate);
  const IdentitySet unseen = unseenItems(*this);
  bool passedCurrent = false;
  for (const auto& item : items) {
    if (!isCandidate(*item, alternate) || unseen.contains(item.get())) continue;
    if (passedCurrent) {
      highlight(item.get());
      return true;
    }
    if (!current) current = item.get();  // nothing highlighted: the first candidate counts
    if (item.get() == current) passedCurrent = true;
  }
  return false;
}

void Menu::selectNext(bool alternate) {
  if (!highlightNext(items(), alternate)) selectFirst(alternate);
}

void Menu::selectPrevious(bool alternate) {
  const std::vector<MenuItemPtr> reversed(items().rbegin(), items().rend());
  if (!highlightNext(reversed, alternate)) selectLast(alternate);
}

void Menu::selectFirst(bool alternate) {
  const auto& all = items();
  const IdentitySet unseen = unseenItems(*this);
  const auto it = std::find_if(all.begin(), all.end(), [&](const auto& item) {
    return isCandidate(*item, alternate) && !unseen.contains(item.get());
  });
  highlight(it == all.end() ? nullptr : it->get());
}

void Menu::selectLast(bool alternate) {
  const auto& all = items();
  const IdentitySet unseen = unseenItems(*this);
  const auto it = std::find_if(all.rbegin(), all.rend(), [&](const auto& item) {
    return isCandidate(*item, alternate) && !unseen.contains(item.get());
  });
  highlight(it == all.rend() ? nullptr : it->get());
}

HistoryMenuItemPtr Menu::partnerOf(const HistoryMenuItem& item, std::size_t index) const {
  // An alternate follows its primary; a primary precedes its alternate.
  std::size_t other = 0;
  if (item.isAlternate()) {
    if (index == 0) return nullptr;
    other = index - 1;
  } else {
    other = index + 1;
    if (other >= size()) return nullptr;
  }
  auto partner = std::dynamic_pointer_cast<HistoryMenuItem>(itemAt(other));
  if (!partner || partner->item() != item.item() || partner->isAlternate() == item.isAlternate()) {
    return nullptr;
  }
  return partner;
}

Menu::Items Menu::historyItemsInMenu() const {
  Items shown;
  for (const auto& item : items()) {
    if (auto row = std::dynamic_pointer_cast<HistoryMenuItem>(item)) shown.push_back(std::move(row));
  }
  return shown;
}

void Menu::deleteHighlightedItem() {
  const auto target = std::dynamic_pointer_cast<HistoryMenuItem>(highlightedItem());
  if (!target) return;
  const auto index = indexOf(*target);
  if (!index) return;
  Batch batch(*this);
  const HistoryMenuItemPtr partner = partnerOf(*target, *index);
  Items pair{target};
  if (partner) pair.push_back(partner);
  // The next pair moves up by two rows, so the row now at the deleted row's position plays the same
  // part (primary or alternate) in the next pair.
  const std::size_t next = *index;
  removeItems(pair);
  if (target->item()) history_.remove(target->item());
  renumber(historyItemsInMenu());
  highlight(next < size() ? itemAt(next).get() : nullptr);
}

void Menu::togglePin() {
  const auto target = std::dynamic_pointer_cast<HistoryMenuItem>(highlightedItem());
  if (!target) return;
  const auto index = indexOf(*target);
  if (!index) return;
  Batch batch(*this);
  const HistoryItemPtr entry = target->item();
  if (const HistoryMenuItemPtr partner = partnerOf(*target, *index)) {
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
  populate(history_.all());
  renumber(historyItems_);
  const auto same = std::find_if(historyItems_.begin(), historyItems_.end(),
                                 [&entry](const auto& item) { return item->item() == entry; });
  highlight(same == historyItems_.end() ? nullptr : same->get());
}

std::string Menu::nextAvailablePin() {
  std::set<std::string> used;
  for (const auto& item : historyItems_) used.insert(item->keyEquivalent());
  std::vector<std::string> free;
  for (const auto& letter : availablePins()) {
    if (!used.count(letter)) free.push_back(letter);
  }
  if (free.empty()) return std::string();
  std::uniform_int_distribution<std::size_t> pick(0, free.size() - 1);
  return free[pick(random_)];
}

void Menu::removeItems(const Items& items) {
  if (items.empty()) return;
  Batch batch(*this);
  const IdentitySet doomed(items);  // before anything changes: `items` may be historyItems_
  removeItemsIf([&doomed](const MenuItem& item) { return doomed.contains(&item); });
  std::erase_if(historyItems_, [&doomed](const auto& item) { return doomed.contains(item.get()); });
}

}  // namespace marbrel
