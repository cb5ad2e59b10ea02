// The history store's working context: opening it, the live entries in order, their changes
// and who hears of them. Loading and saving are in HistoryStoreLoading.cpp and HistoryStoreSaving.cpp.
#include "core/history/HistoryStore.h"

#include <algorithm>
#include <cmath>
#ifdef __GLIBC__
#include <malloc.h>
#endif

#include "core/config/PrivateFiles.h"
#include "core/history/HistoryStoreDetail.h"
#include "core/history/SqliteDatabase.h"
#include "core/platform/MainQueue.h"

namespace marbrel {

using namespace store_detail;

namespace {

constexpr int kDefaultBusyTimeoutMs = 5000;
// The store that the running thread reads in the background, if any.
thread_local const HistoryStore* loading = nullptr;

}  // namespace

HistoryStore::HistoryStore(std::filesystem::path file, const MainQueue* clock, std::ostream& log,
                           std::ostream& errors, bool readOnly, bool inMemory)
    : file_(std::move(file)),
      clock_(clock),
      log_(log),
      errors_(errors),
      readOnly_(readOnly),
      inMemory_(inMemory),
      busyTimeoutMs_(kDefaultBusyTimeoutMs) {
  if (clock_) openedAt_ = std::llround(clock_->now());
}

std::unique_ptr<HistoryStore> HistoryStore::open(const std::filesystem::path& file, const MainQueue& clock,
                                                 bool inMemory, std::ostream& log, std::ostream& errors) {
  std::unique_ptr<HistoryStore> store(new HistoryStore(file, &clock, log, errors, false, inMemory));
  store->load();
  return store;
}

std::unique_ptr<HistoryStore> HistoryStore::openInBackground(const std::filesystem::path& file,
                                                             const MainQueue& clock, std::ostream& log,
                                                             std::ostream& errors,
                                                             std::function<void(HistoryStore&)> afterLoading) {
  std::unique_ptr<HistoryStore> store(new HistoryStore(file, &clock, log, errors, false, false));
  HistoryStore* opened = store.get();
  store->loader_ = std::thread([opened, afterLoading = std::move(afterLoading)] {
    loading = opened;
    opened->load();
    if (afterLoading) afterLoading(*opened);
#ifdef __GLIBC__
    // Reading leaves free memory between the entries (the page cache, made large for the reading,
    // and what was read only to be prepared): give its pages back.
    malloc_trim(0);
#endif
  });
  return store;
}

void HistoryStore::settle() const {
  // The thread that reads the store has it to itself and waits for nothing.
  if (loading != this && loader_.joinable()) loader_.join();
}

std::unique_ptr<HistoryStore> HistoryStore::openReadOnly(const std::filesystem::path& file, std::ostream& log) {
  std::unique_ptr<HistoryStore> store(new HistoryStore(file, nullptr, log, std::cerr, true, false));
  store->load();
  return store;
}

std::filesystem::path HistoryStore::standardFile() {
  return dataHome() / "marbrel" / "MarbrelStorage.sqlite";
}

HistoryStore::~HistoryStore() {
  settle();
  // New entries still waiting after a failed save will never be stored now.
  if (!waitingReason_.empty()) {
    for (const auto& item : inserted_) reportLeftOut(*item, waitingReason_);
  }
  // Entries may outlive the store; they must not reach back into it.
  for (const auto& item : live_) item->store_ = nullptr;
  for (const auto& item : deleted_) item->store_ = nullptr;
  for (const auto& trim : trimmed_) trim.entry->store_ = nullptr;
}

HistoryStore::DigestKey HistoryStore::keyOf(const HistoryItem& item) {
  return {item.contentsDigest(), item.contents().size()};
}

bool HistoryStore::byKey(const HistoryItem* a, const HistoryItem* b) {
  const DigestKey x = keyOf(*a);
  const DigestKey y = keyOf(*b);
  return x.digest != y.digest ? x.digest < y.digest : x.count < y.count;
}

void HistoryStore::attach(const HistoryItemPtr& item) {
  live_.insert(std::upper_bound(live_.begin(), live_.end(), item, olderFirst), item);
  if (item->isPinned()) ++pinnedCount_;
  if (item->hasDistinctContents()) {
    byDigest_.insert(std::upper_bound(byDigest_.begin(), byDigest_.end(), item.get(), byKey), item.get());
  } else {
    irregular_.push_back(item);
  }
}

void HistoryStore::detach(const HistoryItemPtr& item) {
  auto it = std::lower_bound(live_.begin(), live_.end(), item, olderFirst);
  while (it != live_.end() && *it != item && !olderFirst(item, *it)) ++it;
  if (it == live_.end() || *it != item) return;
  live_.erase(it);
  if (item->isPinned()) --pinnedCount_;
  if (item->hasDistinctContents()) {
    const auto [first, last] = std::equal_range(byDigest_.begin(), byDigest_.end(), item.get(), byKey);
    const auto found = std::find(first, last, item.get());
    if (found != last) byDigest_.erase(found);
  } else {
    eraseOne(irregular_, item);
  }
}

HistoryItemPtr HistoryStore::insertItem(std::vector<NewContent> contents) {
  settle();
  HistoryItem::Contents list;
  list.reserve(contents.size());
  for (auto& content : contents) {
    list.push_back(std::make_shared<HistoryItemContent>(std::move(content.type), std::move(content.value)));
  }
  const double now = clock_ ? clock_->now() : 0.0;
  HistoryItemPtr item = HistoryItem::make(this, std::move(list), now, now, 1, std::nullopt, 0, nextSequence_++);
  inserted_.push_back(item);
  attach(item);
  notify(*item, HistoryChange::inserted);
  return item;
}

std::vector<HistoryItemPtr> HistoryStore::all() const {
  settle();
  return {live_.rbegin(), live_.rend()};
}

std::vector<HistoryItemPtr> HistoryStore::unpinned() const {
  settle();
  std::vector<HistoryItemPtr> result;
  result.reserve(live_.size());
  for (auto it = live_.rbegin(); it != live_.rend(); ++it) {
    if (!(*it)->isPinned()) result.push_back(*it);
  }
  return result;
}

HistoryItemPtr HistoryStore::oldestUnpinned() const {
  settle();
  for (const auto& item : live_) {
    if (!item->isPinned()) return item;
  }
  return nullptr;
}

void HistoryStore::pinChanged(const HistoryItem& item, bool wasPinned) {
  if (wasPinned && !item.isPinned()) --pinnedCount_;
  if (!wasPinned && item.isPinned()) ++pinnedCount_;
}

std::vector<HistoryItemPtr> HistoryStore::possibleDuplicates(const HistoryItem& item) const {
  settle();
  if (!item.hasDistinctContents()) return all();
  std::vector<HistoryItemPtr> result = irregular_;
  const auto [first, last] = std::equal_range(byDigest_.begin(), byDigest_.end(), &item, byKey);
  for (auto it = first; it != last; ++it) result.push_back((*it)->shared_from_this());
  std::sort(result.begin(), result.end(), newerFirst);
  return result;
}

void HistoryStore::deleteItem(const HistoryItemPtr& item) {
  settle();
  if (!item || item->store_ != this) return;
  switch (item->state_) {
    case HistoryItem::State::inserted:
      // Never saved: it simply leaves the context; its bytes are all in memory.
      dropUnsaved(item);
      break;
    case HistoryItem::State::saved:
      detach(item);
      item->state_ = HistoryItem::State::deletedPending;
      deleted_.push_back(item);
      notify(*item, HistoryChange::removed);
      break;
    case HistoryItem::State::deletedPending:
    case HistoryItem::State::gone:
      break;
  }
}

void HistoryStore::trimItem(const HistoryItemPtr& item) {
  settle();
  if (!item || item->store_ != this || item->state_ != HistoryItem::State::saved || inserted_.empty()) {
    deleteItem(item);
    return;
  }
  detach(item);
  item->state_ = HistoryItem::State::deletedPending;
  trimmed_.push_back({item, inserted_.back()});
  notify(*item, HistoryChange::removed);
}

void HistoryStore::dropUnsaved(HistoryItemPtr item) {
  eraseOne(inserted_, item);
  detach(item);
  item->state_ = HistoryItem::State::gone;
  notify(*item, HistoryChange::removed);
  item->store_ = nullptr;
  // It will never be stored, so the room made for it is not needed: what was trimmed comes back.
  const std::vector<HistoryItemPtr> back = trimmedFor(item);
  std::erase_if(trimmed_, [&item](const Trim& trim) { return trim.forCopy == item; });
  for (const auto& entry : back) {
    entry->state_ = HistoryItem::State::saved;
    attach(entry);
    notify(*entry, HistoryChange::inserted);
  }
}

std::vector<HistoryItemPtr> HistoryStore::trimmedFor(const HistoryItemPtr& item) const {
  std::vector<HistoryItemPtr> entries;
  for (const auto& trim : trimmed_) {
    if (trim.forCopy == item) entries.push_back(trim.entry);
  }
  return entries;
}

void HistoryStore::markDirty(HistoryItem& item) {
  item.dirty_ = true;
  dirty_.push_back(item.shared_from_this());
}

HistoryStore::ObserverId HistoryStore::addChangeObserver(ChangeObserver observer) {
  const ObserverId id = nextObserverId_++;
  observers_.emplace_back(id, std::move(observer));
  return id;
}

void HistoryStore::removeChangeObserver(ObserverId id) {
  std::erase_if(observers_, [id](const auto& entry) { return entry.first == id; });
}

void HistoryStore::notify(HistoryItem& item, HistoryChange change) {
  // A copy: an observer may add or remove observers.
  const auto observers = observers_;
  for (const auto& [id, observer] : observers) observer(item, change);
}

bool HistoryStore::hasChanges() const {
  settle();
  return !inserted_.empty() || !deleted_.empty() || !trimmed_.empty() || !dirty_.empty();
}

void HistoryStore::report(const SqliteStatus& status, const char* operation, const std::string& extra) {
  log_ << "Unresolved error " << status.message << ", {code = " << status.code << "; operation = " << operation
       << "; path = " << quotedText(inMemory_ ? std::string(":memory:") : file_.string());
  if (!extra.empty()) log_ << "; " << extra;
  log_ << "}" << std::endl;
}

}  // namespace marbrel
