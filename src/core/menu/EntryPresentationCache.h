#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

#include "core/history/HistoryItem.h"
#include "core/menu/EntryPresentation.h"

namespace marbrel {

class ImageDecoder;
class Strings;

// Keeps the presentation of every entry the menu shows, so that a rebuild reads only the entries
// that are new since the last one. Entries never change their contents, so a kept presentation
// stays right; prune() forgets the entries that have left the history.
class EntryPresentationCache {
 public:
  // Neither is owned; both outlive the cache.
  EntryPresentationCache(const ImageDecoder& images, const Strings& strings)
      : images_(images), strings_(strings) {}

  // The presentation of `entry`, made on the first request.
  std::shared_ptr<const EntryPresentation> presentation(const HistoryItemPtr& entry);

  // Forgets every entry not asked for since the previous prune().
  void prune();

  std::size_t size() const { return slots_.size(); }

 private:
  struct Slot {
    HistoryItemPtr entry;  // keeps the key's address from being reused while the slot exists
    std::shared_ptr<const EntryPresentation> presentation;
    std::uint64_t generation = 0;
  };

  const ImageDecoder& images_;
  const Strings& strings_;
  // Slots in the order they were last asked for; rebuilds ask in much the same order, so the slot
  // after the last one found is tried before the index.
  std::vector<Slot> slots_;
  std::unordered_map<const HistoryItem*, std::size_t> index_;
  std::size_t cursor_ = 0;
  std::uint64_t generation_ = 1;
  std::size_t requested_ = 0;  // distinct entries asked for in this generation
};

}  // namespace marbrel
