#include "core/history/History.h"

#include <limits>

#include "core/config/Configuration.h"
#include "core/history/HistoryStore.h"

namespace marbrel {

namespace {

// The largest copy recorded unless the user sets another limit, in MiB.
constexpr std::int64_t kDefaultMaxItemSize = 64;

// Equal bytes, absent only equal to absent. Compares sizes and digests before touching the bytes
// of stored values, and releases bytes that had to be read just for this.
bool sameValue(const HistoryItemContent& a, const HistoryItemContent& b) {
  if (a.hasValue() != b.hasValue()) return false;
  if (!a.hasValue()) return true;
  if (a.size() != b.size() || a.digest() != b.digest()) return false;
  const bool aLoaded = a.isValueLoaded();
  const bool bLoaded = b.isValueLoaded();
  const bool equal = a.value() == b.value() && a.value().has_value();
  if (!aLoaded) a.releaseValue();
  if (!bLoaded) b.releaseValue();
  return equal;
}

bool sameContent(const HistoryItemContent& a, const HistoryItemContent& b) {
  return a.type() == b.type() && sameValue(a, b);
}

}  // namespace

History::History(HistoryStore& store, Configuration& configuration) : store_(store), configuration_(configuration) {
  configuration_.defaults().registerDefault(Configuration::Keys::historySize, 200);
  configuration_.defaults().registerDefault(Configuration::Keys::maxItemSize, kDefaultMaxItemSize);
  if (configuration_.arguments().uiTesting()) {
    for (const auto& item : store_.all()) {
      store_.deleteItem(item);
      store_.saveContext();
    }
  }
}

std::vector<HistoryItemPtr> History::all() {
  trim();
  return store_.all();
}

void History::trim() {
  // Removes the oldest unpinned entries while there are more than the limit. Both are read again
  // on every pass: the limit may change meanwhile, and removing a copy that is not stored yet
  // brings back what was trimmed for it. A negative limit stops once none is left.
  for (std::size_t left = store_.unpinnedCount();
       left > 0 && configuration_.historySize() < static_cast<std::int64_t>(left); left = store_.unpinnedCount()) {
    store_.trimItem(store_.oldestUnpinned());
    store_.saveContext();
  }
}

bool History::sameContents(const HistoryItem& earlier, const HistoryItem& later) {
  const auto& a = earlier.contents();
  const auto& b = later.contents();
  if (a.size() != b.size()) return false;
  for (const auto& content : a) {
    bool found = false;
    for (const auto& other : b) {
      if (sameContent(*content, *other)) {
        found = true;
        break;
      }
    }
    if (!found) return false;
  }
  return true;
}

HistoryItemPtr History::findSimilarItem(const HistoryItemPtr& item) {
  if (!item) return nullptr;
  // Reading the whole history trims it first; the new entry takes part like any other.
  trim();
  return oldestMatch(item);
}

HistoryItemPtr History::oldestMatch(const HistoryItemPtr& item) {
  std::vector<HistoryItemPtr> matches;
  for (const auto& candidate : store_.possibleDuplicates(*item)) {
    if (sameContents(*candidate, *item)) matches.push_back(candidate);
  }
  if (matches.size() < 2) return nullptr;
  // The oldest match, but never the entry itself: merging an entry into itself would delete it.
  for (auto it = matches.rbegin(); it != matches.rend(); ++it) {
    if (*it != item) return *it;
  }
  return nullptr;
}

bool History::isOverLimit(const HistoryItem& item) const {
  const std::int64_t limit = configuration_.maxItemSize();
  constexpr std::int64_t kMiB = 1024 * 1024;
  return limit > 0 && limit <= std::numeric_limits<std::int64_t>::max() / kMiB &&
         item.totalSize() > static_cast<std::uint64_t>(limit * kMiB);
}

void History::mergeInto(const HistoryItemPtr& existing, const HistoryItemPtr& item) {
  existing->setLastCopiedAt(item->firstCopiedAt());
  existing->setNumberOfCopies(existing->numberOfCopies() + 1);
  store_.deleteItem(item);
  store_.saveContext();
}

void History::add(const HistoryItemPtr& item) {
  if (!item) return;
  // The user's size limit is for new entries (0 or less: no limit). A larger copy that repeats an
  // entry, as choosing a large entry stored under a higher limit does, merges into it all the same;
  // it never becomes an entry of its own, so nothing is trimmed to make room for it.
  if (isOverLimit(*item)) {
    if (HistoryItemPtr existing = oldestMatch(item)) {
      mergeInto(existing, item);
      return;
    }
    const std::int64_t limit = configuration_.maxItemSize();
    store_.leaveOut(item, "it is over the limit of " + std::to_string(limit) + " MB (" +
                              std::to_string(limit * 1024 * 1024) + " bytes) set by maxItemSize");
    return;
  }
  if (HistoryItemPtr existing = findSimilarItem(item)) mergeInto(existing, item);
  store_.saveContext();
}

void History::removeOne(const HistoryItemPtr& item) {
  store_.deleteItem(item);
  store_.saveContext();
}

void History::remove(const HistoryItemPtr& item) {
  removeOne(item);
  store_.checkpoint();
}

// Removing a copy that is not stored yet brings back what was trimmed for it, so both clear commands
// read the history again until nothing they remove is left.
void History::clearUnpinned() {
  for (std::vector<HistoryItemPtr> items = all(); !items.empty(); items = store_.unpinned()) {
    for (const auto& item : items) {
      if (!item->isPinned()) removeOne(item);
    }
  }
  store_.checkpoint();
}

void History::clearAll() {
  for (std::vector<HistoryItemPtr> items = all(); !items.empty(); items = store_.all()) {
    for (const auto& item : items) removeOne(item);
  }
  store_.checkpoint();
}

}  // namespace marbrel
