#include "core/history/Sorter.h"

#include <algorithm>

#include "core/config/Configuration.h"

namespace marbrel {

Sorter::Sorter(std::string by, const Configuration& configuration)
    : by_(std::move(by)), configuration_(configuration) {}

std::vector<HistoryItemPtr> Sorter::sort(const std::vector<HistoryItemPtr>& items) const {
  std::vector<HistoryItemPtr> sorted = items;
  std::stable_sort(sorted.begin(), sorted.end(),
                   [this](const HistoryItemPtr& a, const HistoryItemPtr& b) { return bySortingAlgorithm(a, b); });
  std::stable_sort(sorted.begin(), sorted.end(),
                   [this](const HistoryItemPtr& a, const HistoryItemPtr& b) { return byPinned(a, b); });
  return sorted;
}

bool Sorter::bySortingAlgorithm(const HistoryItemPtr& a, const HistoryItemPtr& b) const {
  if (by_ == "firstCopiedAt") return a->firstCopiedAt() < b->firstCopiedAt();
  if (by_ == "numberOfCopies") return a->numberOfCopies() < b->numberOfCopies();
  return a->lastCopiedAt() < b->lastCopiedAt();
}

bool Sorter::byPinned(const HistoryItemPtr& a, const HistoryItemPtr& b) const {
  // Read at every comparison, so a change takes effect at the next sort without notice.
  if (configuration_.pinTo() == "bottom") return a->isPinned() && !b->isPinned();
  return !a->isPinned() && b->isPinned();
}

}  // namespace marbrel
