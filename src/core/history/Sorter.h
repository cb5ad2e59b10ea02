#pragma once

#include <string>
#include <vector>

#include "core/history/HistoryItem.h"

namespace marbrel {

class Configuration;

// Orders entries for the menu, ascending (the menu shows the last one at the top): by the chosen
// key, then with the pinned group moved to the end that "pinTo" names, read afresh for each sort.
class Sorter {
 public:
  // `by`: "firstCopiedAt", "numberOfCopies" or "lastCopiedAt" (anything else counts as the last).
  // The configuration is not owned and must outlive the sorter.
  Sorter(std::string by, const Configuration& configuration);

  // A copy of `items`, stable-sorted by the key, then with the pinned group moved to its end
  // (each group keeps its order). "pinTo" is read once per call.
  std::vector<HistoryItemPtr> sort(const std::vector<HistoryItemPtr>& items) const;

  // Whether `a` goes before `b` by the key (strictly smaller).
  bool bySortingAlgorithm(const HistoryItemPtr& a, const HistoryItemPtr& b) const;
  // Whether `a` goes before `b` by pin placement: pinned first for "bottom", last otherwise.
  // Reads "pinTo" on each call.
  bool byPinned(const HistoryItemPtr& a, const HistoryItemPtr& b) const;

  const std::string& by() const { return by_; }

 private:
  enum class Key { firstCopiedAt, numberOfCopies, lastCopiedAt };

  bool pinnedGoFirst() const;

  std::string by_;
  Key key_;
  const Configuration& configuration_;
};

}  // namespace marbrel
