#pragma once

#include <vector>

#include "core/history/HistoryItem.h"

namespace marbrel {

class Configuration;
class HistoryStore;

// The history as its users see it: reading trims to "historySize", adding merges a repeated copy
// into the oldest entry with the same contents, and every removal is committed at once.
class History {
 public:
  // Registers "historySize" = 200 and "maxItemSize" = 64; under "ui-testing" deletes every entry (saving after each).
  // Neither argument is owned; both outlive this object.
  History(HistoryStore& store, Configuration& configuration);

  // Every entry, newest firstCopiedAt first, after trim().
  std::vector<HistoryItemPtr> all();
  // Deletes the oldest unpinned entries beyond "historySize" (read again on every pass), committing
  // each deletion with the new entries it makes room for: what every reading of the history does
  // first. An entry trimmed for a copy that is never stored stays.
  void trim();
  // Takes a new, unsaved entry: merges it into the oldest earlier entry with the same contents
  // (count + 1, lastCopiedAt = its date, the new entry deleted) or commits it. A copy larger than
  // "maxItemSize" MiB that merges into no entry is left out and reported instead.
  void add(const HistoryItemPtr& item);
  // The oldest other entry with the same contents as `item`, or null.
  HistoryItemPtr findSimilarItem(const HistoryItemPtr& item);
  // The user's removals: each entry's deletion is committed at once, and when the removal is
  // done the store is checkpointed so the removed bytes leave its files.
  void remove(const HistoryItemPtr& item);
  void clearUnpinned();
  void clearAll();

  // The duplicate rule: the same number of contents, and every content of `earlier` has one in
  // `later` with an equal type (absent equals absent) and equal bytes (absent differs from empty).
  static bool sameContents(const HistoryItem& earlier, const HistoryItem& later);

  HistoryStore& store() const { return store_; }

 private:
  // Deletes one entry and commits at once.
  void removeOne(const HistoryItemPtr& item);
  // findSimilarItem() without trimming first.
  HistoryItemPtr oldestMatch(const HistoryItemPtr& item);
  bool isOverLimit(const HistoryItem& item) const;
  // Counts `item` as one more copy of `existing`, deletes it and commits.
  void mergeInto(const HistoryItemPtr& existing, const HistoryItemPtr& item);

  HistoryStore& store_;
  Configuration& configuration_;
};

}  // namespace marbrel
