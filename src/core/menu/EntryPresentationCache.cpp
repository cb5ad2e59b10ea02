#include "core/menu/EntryPresentationCache.h"

namespace marbrel {

std::shared_ptr<const EntryPresentation> EntryPresentationCache::presentation(
    const HistoryItemPtr& entry) {
  if (!entry) return EntryPresentation::empty();
  Slot& slot = slots_[entry.get()];
  if (!slot.presentation) {
    slot.entry = entry;
    slot.presentation = EntryPresentation::make(entry.get(), images_, strings_);
  }
  slot.generation = generation_;
  return slot.presentation;
}

void EntryPresentationCache::prune() {
  std::erase_if(slots_, [this](const auto& pair) { return pair.second.generation != generation_; });
  ++generation_;
}

}  // namespace marbrel
