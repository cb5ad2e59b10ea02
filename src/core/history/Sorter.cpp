#include "core/history/Sorter.h"

#include <algorithm>

#include "core/config/Configuration.h"

namespace marbrel {
namespace {

bool isPinned(const HistoryItemPtr& item) { return item->isPinned(); }
bool isUnpinned(const HistoryItemPtr& item) { return !item->isPinned(); }

}  // namespace

Sorter::Sorter(std::string by, const Configuration& configuration)
    : by_(std::move(by)),
      key_(by_ == "firstCopiedAt"    ? Key::firstCopiedAt
           : by_ == "numberOfCopies" ? Key::numberOfCopies
                                     : Key::lastCopiedAt),
      configuration_(configuration) {}

std::vector<HistoryItemPtr> Sorter::sort(const std::vector<HistoryItemPtr>& items) const {
  std::vector<HistoryItemPtr> sorted = items;
  std::stable_sort(sorted.begin(), sorted.end(),
                   [this](const HistoryItemPtr& a, const HistoryItemPtr& b) { return bySortingAlgorithm(a, b); });
  // A stable sort by pin placement only moves the pinned group to one end, keeping the order
  // inside both groups: that is a stable partition. The setting is read once for the whole list,
  // so a change still takes effect at the next sort.
  if (pinnedGoFirst()) {
    std::stable_partition(sorted.begin(), sorted.end(), isPinned);
  } else {
    std::stable_partition(sorted.begin(), sorted.end(), isUnpinned);
  }
  return sorted;
}

bool Sorter::bySortingAlgorithm(const HistoryItemPtr& a, const HistoryItemPtr& b) const {
  switch (key_) {
    case Key::firstCopiedAt: return a->firstCopiedAt() < b->firstCopiedAt();
    case Key::numberOfCopies: return a->numberOfCopies() < b->numberOfCopies();
    case Key::lastCopiedAt: break;
  }
  return a->lastCopiedAt() < b->lastCopiedAt();
}

bool Sorter::byPinned(const HistoryItemPtr& a, const HistoryItemPtr& b) const {
  if (pinnedGoFirst()) return isPinned(a) && isUnpinned(b);
  return isUnpinned(a) && isPinned(b);
}

// "bottom" (also when absent) puts the pinned entries first in the ascending list, which the menu
// shows below the unpinned ones; any other value puts them last.
bool Sorter::pinnedGoFirst() const { return configuration_.pinTo() == "bottom"; }

}  // namespace marbrel
