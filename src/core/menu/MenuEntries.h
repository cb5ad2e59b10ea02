#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/history/HistoryItem.h"
#include "core/history/HistoryStore.h"
#include "core/menu/SearchTexts.h"

namespace marbrel {

// The history's entries as the menu orders and searches them, kept in step with the store. The
// store's notices are gathered as they come and applied when the menu asks, each time it opens,
// so an opening does work for what changed rather than for every entry, and a closed menu keeps
// what it showed. Each entry has a slot, a small number, that also holds the form of its text
// that search reads, made once.
class MenuEntries {
 public:
  using Slot = std::uint32_t;
  using Order = std::vector<Slot>;

  // The orders "sortBy" names; any other text orders by lastCopiedAt.
  enum class SortKey { lastCopiedAt, firstCopiedAt, numberOfCopies };
  static SortKey sortKeyFor(std::string_view sortBy);

  // The entries, their search texts and their order made ahead, on the thread that loads the
  // store, for the entries it read; taken over at the first update, which then applies only what
  // changed since.
  class Preparation;

  // Neither is owned; the store outlives this object. `fuse` is the engine search will use.
  MenuEntries(HistoryStore& store, const Fuse& fuse);
  ~MenuEntries();
  MenuEntries(const MenuEntries&) = delete;
  MenuEntries& operator=(const MenuEntries&) = delete;

  // Applies what the store said since the last update and orders the live entries for the menu,
  // top first: by `key`, the largest first, ties going to the entry created first; the pinned
  // entries below all others when `pinnedBelow`, else above them. This is the order the Sorter
  // gives for the store's all(), reversed, as the menu shows it.
  void update(SortKey key, bool pinnedBelow);
  // The entries in menu order as of the last update. The list is shared, never changed in place.
  const std::shared_ptr<const Order>& order() const { return order_; }

  const HistoryItemPtr& entry(Slot slot) const { return slots_[slot].entry; }
  // The slot of `item` as of the last update; nothing when it had none.
  std::optional<Slot> slotOf(const HistoryItem& item) const;

  // Makes the search texts of `slots` that are not made yet, reading the values they need from the
  // store in one pass; from then on, entries that arrive get theirs when they are applied.
  void prepareTexts(const Order& slots);
  // What was made ahead for the entries the store held when it was read; taken over at the first
  // update when it was made for the same engine (its order when also for the same settings).
  // Changes the store makes from now on are gathered for that update.
  void adopt(std::shared_ptr<Preparation> preparation);
  const SearchTexts& texts() const { return texts_; }
  // The text of a slot whose text is made.
  SearchTexts::Id textOf(Slot slot) const { return slots_[slot].text; }
  bool hasText(Slot slot) const { return slots_[slot].text != kNoText; }
  // The entry's whole text as rows show it and search reads it: empty for an image entry or one
  // without readable text.
  static std::string textOfEntry(const HistoryItem& entry);
  // Whether the entry of `slot` has an image to preview (a TIFF or PNG content).
  bool isImage(Slot slot) const;
  // Whether the entry of `slot` was pinned at the last update.
  bool isPinned(Slot slot) const { return (flags_[slot] & kPinned) != 0; }

 private:
  static constexpr SearchTexts::Id kNoText = 0xFFFFFFFF;

  struct SlotData {
    HistoryItemPtr entry;  // null: a free slot
    std::uint64_t sequence = 0;
    SearchTexts::Id text = kNoText;
    bool moved = false;  // to be taken out of the order and put back where it now belongs
  };
  // Bits of flags_, one byte per slot, so that a pass over many slots reads little.
  static constexpr std::uint8_t kPinned = 1, kImage = 2;

  void heard(HistoryItem& item, HistoryChange change);
  // Makes a slot for every entry; true when it took over an order made for the current settings.
  bool fill();
  void applyPending(std::vector<Slot>& placed, bool& removedAny);
  Slot addSlot(const HistoryItemPtr& entry);
  void freeSlot(Slot slot);
  void compactSlots();
  bool before(Slot a, Slot b) const { return comesBefore(slots_[a], slots_[b], key_, pinnedBelow_); }
  static bool comesBefore(const SlotData& a, const SlotData& b, SortKey key, bool pinnedBelow);
  static std::uint8_t flagsOf(const HistoryItem& entry);

  HistoryStore& store_;
  HistoryStore::ObserverId observer_ = 0;
  bool filled_ = false;
  bool textsMade_ = false;
  SortKey key_ = SortKey::lastCopiedAt;
  bool pinnedBelow_ = true;
  std::vector<SlotData> slots_;  // by creation order (the store's sequence)
  std::vector<std::uint8_t> flags_;  // by slot
  std::size_t freeSlots_ = 0;
  std::size_t missingTexts_ = 0;  // live slots whose text is not made yet
  std::vector<HistoryItemPtr> pending_;  // entries the store mentioned since the last update
  std::shared_ptr<const Order> order_;
  SearchTexts texts_;
  std::shared_ptr<Preparation> preparation_;
};

class MenuEntries::Preparation {
 public:
  // `fuse` must be the engine the search will use; the order is made for `key` and `pinnedBelow`.
  Preparation(const Fuse& fuse, SortKey key, bool pinnedBelow) : texts_(fuse), key_(key), pinnedBelow_(pinnedBelow) {}
  // Reads every entry of `store`, which the caller has to itself, with the text each shows.
  void prepare(HistoryStore& store);

 private:
  friend class MenuEntries;
  SearchTexts texts_;
  SortKey key_;
  bool pinnedBelow_;
  std::vector<SlotData> slots_;
  std::vector<std::uint8_t> flags_;
  Order order_;
};

}  // namespace marbrel
