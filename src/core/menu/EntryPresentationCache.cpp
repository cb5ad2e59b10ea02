#include "core/menu/EntryPresentationCache.h"

namespace marbrel {

std::shared_ptr<const EntryPresentation> EntryPresentationCache::presentation(
    const HistoryItemPtr& entry) {
  if (!entry) return EntryPresentation::empty();
  std::size_t position = cursor_;
  if (position >= slots_.size() || slots_[position].entry != entry) {
    const auto found = index_.find(entry.get());
    if (found != index_.end()) {
      position = found->second;
    } else {
      position = slots_.size();
      slots_.push_back({entry, EntryPresentation::make(entry.get(), images_, strings_), 0});
      index_.emplace(entry.get(), position);
    }
  }
  cursor_ = position + 1;
  Slot& slot = slots_[position];
  if (slot.generation != generation_) {
    slot.generation = generation_;
    ++requested_;
  }
  return slot.presentation;
}

void EntryPresentationCache::prune() {
  // When every slot was asked for again there is nothing to forget.
  if (requested_ < slots_.size()) {
    std::vector<Slot> kept;
    kept.reserve(requested_);
    for (auto& slot : slots_) {
      if (slot.generation == generation_) kept.push_back(std::move(slot));
    }
    slots_ = std::move(kept);
    index_.clear();
    for (std::size_t i = 0; i < slots_.size(); ++i) index_.emplace(slots_[i].entry.get(), i);
  }
  ++generation_;
  requested_ = 0;
  cursor_ = 0;
}

}  // namespace marbrel
