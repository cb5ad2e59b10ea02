#include "core/menu/MenuEntries.h"

#include <algorithm>
#include <utility>

#include "core/menu/EntryPresentation.h"
#include "core/menu/RowText.h"

namespace marbrel {

namespace {

// Free slots are dropped, and the others numbered afresh, once they are this many and half of all.
constexpr std::size_t kCompactSlotsAbove = 1024;

}  // namespace

MenuEntries::SortKey MenuEntries::sortKeyFor(std::string_view sortBy) {
  if (sortBy == "firstCopiedAt") return SortKey::firstCopiedAt;
  if (sortBy == "numberOfCopies") return SortKey::numberOfCopies;
  return SortKey::lastCopiedAt;
}

MenuEntries::MenuEntries(HistoryStore& store, const Fuse& fuse)
    : store_(store), order_(std::make_shared<const Order>()), texts_(fuse) {
  observer_ = store_.addChangeObserver([this](HistoryItem& item, HistoryChange change) { heard(item, change); });
}

MenuEntries::~MenuEntries() { store_.removeChangeObserver(observer_); }

void MenuEntries::heard(HistoryItem& item, HistoryChange) {
  // Before the first update the whole history is read anyway, unless it was read ahead.
  if (filled_ || preparation_) pending_.push_back(item.shared_from_this());
}

std::optional<MenuEntries::Slot> MenuEntries::slotOf(const HistoryItem& item) const {
  const std::uint64_t sequence = item.storeSequence();
  const auto it = std::lower_bound(slots_.begin(), slots_.end(), sequence,
                                   [](const SlotData& slot, std::uint64_t value) { return slot.sequence < value; });
  if (it == slots_.end() || it->sequence != sequence || it->entry.get() != &item) return std::nullopt;
  return static_cast<Slot>(it - slots_.begin());
}

bool MenuEntries::comesBefore(const SlotData& a, const SlotData& b, SortKey key, bool pinnedBelow) {
  const HistoryItem& x = *a.entry;
  const HistoryItem& y = *b.entry;
  if (x.isPinned() != y.isPinned()) return pinnedBelow ? !x.isPinned() : x.isPinned();
  switch (key) {
    case SortKey::firstCopiedAt:
      if (x.firstCopiedAt() != y.firstCopiedAt()) return y.firstCopiedAt() < x.firstCopiedAt();
      break;
    case SortKey::numberOfCopies:
      if (x.numberOfCopies() != y.numberOfCopies()) return y.numberOfCopies() < x.numberOfCopies();
      break;
    case SortKey::lastCopiedAt:
      if (x.lastCopiedAt() != y.lastCopiedAt()) return y.lastCopiedAt() < x.lastCopiedAt();
      break;
  }
  // Equal keys keep the store's order (the newest firstCopiedAt first) in the sorted list, which
  // the menu shows reversed.
  if (x.firstCopiedAt() != y.firstCopiedAt()) return x.firstCopiedAt() < y.firstCopiedAt();
  return a.sequence < b.sequence;
}

std::uint8_t MenuEntries::flagsOf(const HistoryItem& entry) {
  return static_cast<std::uint8_t>((entry.isPinned() ? kPinned : 0) |
                                   (EntryPresentation::imageContent(entry) ? kImage : 0));
}

MenuEntries::Slot MenuEntries::addSlot(const HistoryItemPtr& entry) {
  SlotData data;
  data.entry = entry;
  data.sequence = entry->storeSequence();
  if (textsMade_) {
    data.text = texts_.add(textOfEntry(*entry));
  } else {
    ++missingTexts_;
  }
  slots_.push_back(std::move(data));
  flags_.push_back(flagsOf(*entry));
  return static_cast<Slot>(slots_.size() - 1);
}

void MenuEntries::freeSlot(Slot slot) {
  SlotData& data = slots_[slot];
  if (data.text != kNoText) {
    texts_.remove(data.text);
  } else if (data.entry) {
    --missingTexts_;
  }
  data.text = kNoText;
  data.entry.reset();
  data.moved = false;
  flags_[slot] = 0;
  ++freeSlots_;
}

bool MenuEntries::fill() {
  filled_ = true;
  const std::shared_ptr<Preparation> preparation = std::move(preparation_);
  if (preparation && preparation->texts_.sameEngine(texts_)) {
    // The store was read ahead; what changed since is pending.
    store_.count();  // waits for the reading
    slots_ = std::move(preparation->slots_);
    flags_ = std::move(preparation->flags_);
    texts_ = std::move(preparation->texts_);
    textsMade_ = true;
    freeSlots_ = 0;
    missingTexts_ = static_cast<std::size_t>(std::count_if(
        slots_.begin(), slots_.end(), [](const SlotData& data) { return data.entry && data.text == kNoText; }));
    if (preparation->key_ != key_ || preparation->pinnedBelow_ != pinnedBelow_) return false;
    order_ = std::make_shared<const Order>(std::move(preparation->order_));
    return true;
  }
  std::vector<HistoryItemPtr> all = store_.all();
  std::sort(all.begin(), all.end(),
            [](const HistoryItemPtr& a, const HistoryItemPtr& b) { return a->storeSequence() < b->storeSequence(); });
  slots_.clear();
  flags_.clear();
  missingTexts_ = 0;
  slots_.reserve(all.size());
  flags_.reserve(all.size());
  for (const auto& entry : all) addSlot(entry);
  freeSlots_ = 0;
  pending_.clear();
  return false;
}

void MenuEntries::adopt(std::shared_ptr<Preparation> preparation) {
  if (!filled_) preparation_ = std::move(preparation);
}

void MenuEntries::Preparation::prepare(HistoryStore& store) {
  std::vector<HistoryItemPtr> all = store.all();
  std::sort(all.begin(), all.end(),
            [](const HistoryItemPtr& a, const HistoryItemPtr& b) { return a->storeSequence() < b->storeSequence(); });
  slots_.resize(all.size());
  flags_.resize(all.size());
  std::vector<const HistoryItemContent*> contents(all.size());
  for (std::size_t i = 0; i < all.size(); ++i) {
    slots_[i].sequence = all[i]->storeSequence();
    flags_[i] = flagsOf(*all[i]);
    contents[i] = EntryPresentation::textContent(*all[i]);
    slots_[i].entry = std::move(all[i]);
  }
  // Each text is prepared as its bytes are read, without a copy; an entry without one gets its
  // (empty) text when first needed.
  store.readValues(contents, [this](std::size_t index, std::string_view bytes) {
    slots_[index].text = texts_.add(row_text::isValidUtf8(bytes) ? bytes : std::string_view());
  });
  order_.resize(slots_.size());
  for (Slot slot = 0; slot < order_.size(); ++slot) order_[slot] = slot;
  std::sort(order_.begin(), order_.end(), [this](Slot a, Slot b) {
    return comesBefore(slots_[a], slots_[b], key_, pinnedBelow_);
  });
}

void MenuEntries::applyPending(std::vector<Slot>& placed, bool& removedAny) {
  // The last word on each entry is its state now: live entries go (back) into the order where
  // they now belong, the others leave it.
  std::sort(pending_.begin(), pending_.end(), [](const HistoryItemPtr& a, const HistoryItemPtr& b) {
    return a->storeSequence() != b->storeSequence() ? a->storeSequence() < b->storeSequence() : a < b;
  });
  pending_.erase(std::unique(pending_.begin(), pending_.end()), pending_.end());
  for (const HistoryItemPtr& entry : pending_) {
    const bool live = entry->isLive();
    if (const auto slot = slotOf(*entry)) {
      if (slots_[*slot].moved) continue;
      if (live) {
        slots_[*slot].moved = true;
        flags_[*slot] = static_cast<std::uint8_t>((flags_[*slot] & ~kPinned) | (entry->isPinned() ? kPinned : 0));
        placed.push_back(*slot);
      } else {
        freeSlot(*slot);
      }
      removedAny = true;
    } else if (live && (slots_.empty() || entry->storeSequence() > slots_.back().sequence)) {
      // New entries come in creation order, after every slot.
      placed.push_back(addSlot(entry));
    }
  }
  pending_.clear();
}

void MenuEntries::update(SortKey key, bool pinnedBelow) {
  bool reorder = filled_ && (key != key_ || pinnedBelow != pinnedBelow_);
  key_ = key;
  pinnedBelow_ = pinnedBelow;
  if (!filled_) reorder = !fill();

  std::vector<Slot> placed;
  bool removedAny = false;
  applyPending(placed, removedAny);
  if (!reorder && placed.empty() && !removedAny) return;

  const auto less = [this](Slot a, Slot b) { return before(a, b); };
  auto order = std::make_shared<Order>();
  if (reorder) {
    order->reserve(slots_.size() - freeSlots_);
    for (Slot slot = 0; slot < slots_.size(); ++slot) {
      if (slots_[slot].entry) order->push_back(slot);
    }
    std::sort(order->begin(), order->end(), less);
  } else {
    // The entries that stayed where they were keep their order; the others are merged in.
    Order kept;
    kept.reserve(order_->size());
    for (const Slot slot : *order_) {
      if (slots_[slot].entry && !slots_[slot].moved) kept.push_back(slot);
    }
    std::sort(placed.begin(), placed.end(), less);
    order->resize(kept.size() + placed.size());
    std::merge(kept.begin(), kept.end(), placed.begin(), placed.end(), order->begin(), less);
  }
  for (const Slot slot : placed) slots_[slot].moved = false;
  order_ = std::move(order);
  if (freeSlots_ > kCompactSlotsAbove && freeSlots_ > slots_.size() / 2) compactSlots();
}

void MenuEntries::compactSlots() {
  std::vector<Slot> renumbered(slots_.size(), 0);
  std::vector<SlotData> kept;
  std::vector<std::uint8_t> keptFlags;
  kept.reserve(slots_.size() - freeSlots_);
  keptFlags.reserve(slots_.size() - freeSlots_);
  for (Slot slot = 0; slot < slots_.size(); ++slot) {
    if (!slots_[slot].entry) continue;
    renumbered[slot] = static_cast<Slot>(kept.size());
    kept.push_back(std::move(slots_[slot]));
    keptFlags.push_back(flags_[slot]);
  }
  slots_ = std::move(kept);
  flags_ = std::move(keptFlags);
  freeSlots_ = 0;
  auto order = std::make_shared<Order>(*order_);
  for (Slot& slot : *order) slot = renumbered[slot];
  order_ = std::move(order);
}

bool MenuEntries::isImage(Slot slot) const { return (flags_[slot] & kImage) != 0; }

std::string MenuEntries::textOfEntry(const HistoryItem& entry) {
  const HistoryItemContent* content = EntryPresentation::textContent(entry);
  if (!content) return {};
  const bool wasLoaded = content->isValueLoaded();
  std::string text;
  if (const auto& value = content->value(); value && row_text::isValidUtf8(*value)) text = *value;
  if (!wasLoaded) content->releaseValue();
  return text;
}

void MenuEntries::prepareTexts(const Order& slots) {
  // Every keystroke of a search comes here: once all texts are made, it costs nothing.
  if (missingTexts_ == 0) {
    textsMade_ = true;
    return;
  }
  std::vector<const HistoryItemContent*> unread;
  std::vector<Slot> waiting;
  for (const Slot slot : slots) {
    SlotData& data = slots_[slot];
    if (!data.entry || data.text != kNoText) continue;
    const HistoryItemContent* content = EntryPresentation::textContent(*data.entry);
    if (content && !content->isValueLoaded()) {
      unread.push_back(content);
      waiting.push_back(slot);
      continue;
    }
    data.text = texts_.add(textOfEntry(*data.entry));
    --missingTexts_;
  }
  if (!unread.empty()) {
    // One pass over the store for all of them, rather than a query per entry.
    std::vector<std::string> values(unread.size());
    store_.readValues(unread, [&values](std::size_t index, std::string_view bytes) { values[index].assign(bytes); });
    for (std::size_t i = 0; i < waiting.size(); ++i) {
      const std::string& value = values[i];
      slots_[waiting[i]].text = texts_.add(row_text::isValidUtf8(value) ? std::string_view(value) : std::string_view());
      --missingTexts_;
    }
  }
  textsMade_ = true;
}

}  // namespace marbrel
