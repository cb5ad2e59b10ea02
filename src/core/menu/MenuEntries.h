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

  // Search texts made ahead, on the thread that loads the store, for the entries it read; the
  // entries take them over at their first update instead of reading the values again.
  class Preparation {
   public:
    // `fuse` must be the engine the search will use.
    explicit Preparation(const Fuse& fuse) : texts_(fuse) {}
    // Reads and prepares the text of every entry of `store`, which the caller has to itself.
    void prepare(HistoryStore& store);

   private:
    friend class MenuEntries;
    SearchTexts texts_;
    std::vector<std::pair<std::uint64_t, SearchTexts::Id>> ids_;  // by the entries' sequence
  };

  // The orders "sortBy" names; any other text orders by lastCopiedAt.
  enum class SortKey { lastCopiedAt, firstCopiedAt, numberOfCopies };
  static SortKey sortKeyFor(std::string_view sortBy);

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
  // Texts made ahead for the entries the store held when it was read; taken over at the first
  // update, when they were made for the same engine.
  void adopt(std::shared_ptr<Preparation> preparation);
  const SearchTexts& texts() const { return texts_; }
  // The text of a slot whose text is made.
  SearchTexts::Id textOf(Slot slot) const { return slots_[slot].text; }
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
  static constexpr std::uint8_t kPinned = 1, kImageKnown = 2, kImage = 4;

  void heard(HistoryItem& item, HistoryChange change);
  void fill();
  void applyPending(std::vector<Slot>& placed, bool& removedAny);
  Slot addSlot(const HistoryItemPtr& entry);
  void freeSlot(Slot slot);
  void compactSlots();
  bool before(Slot a, Slot b) const;

  HistoryStore& store_;
  HistoryStore::ObserverId observer_ = 0;
  bool filled_ = false;
  bool textsMade_ = false;
  SortKey key_ = SortKey::lastCopiedAt;
  bool pinnedBelow_ = true;
  std::vector<SlotData> slots_;  // by creation order (the store's sequence)
  mutable std::vector<std::uint8_t> flags_;  // by slot
  std::size_t freeSlots_ = 0;
  std::vector<HistoryItemPtr> pending_;  // entries the store mentioned since the last update
  std::shared_ptr<const Order> order_;
  SearchTexts texts_;
  std::shared_ptr<Preparation> preparation_;
};

}  // namespace marbrel
