#include "core/history/HistoryStore.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <unordered_map>
#ifdef __GLIBC__
#include <malloc.h>
#endif

#include "core/config/PrivateFiles.h"
#include "core/history/SqliteDatabase.h"
#include "core/history/StoreFiles.h"
#include "core/history/StoreSchema.h"
#include "core/platform/MainQueue.h"

namespace marbrel {

namespace {

// Values larger than this are dropped from memory once saved; they are read back when needed.
constexpr std::size_t kKeepInMemoryLimit = 256 * 1024;
// New entries that could not be stored wait in memory for a later save: the newest of them, at
// most this many and this many bytes together (the newest one whatever its size).
constexpr std::size_t kMaxWaitingCopies = 8;
constexpr std::size_t kMaxWaitingBytes = 64 * 1024 * 1024;
// Above this size the open-time check skips index cross-checks (quick_check) to stay fast.
constexpr std::uintmax_t kFullCheckLimit = 64ull * 1024 * 1024;
constexpr std::uintmax_t kWholeCacheLimit = 16ull * 1024 * 1024;
constexpr int kDefaultBusyTimeoutMs = 5000;
// The write-ahead log is cut back to this size when it starts over: above the ~4 MB it reaches
// between automatic checkpoints, so only a log grown by a large value is cut.
constexpr long long kLogSizeLimit = 8ll * 1024 * 1024;
// How long a checkpoint waits for another process's readers before leaving the rest for later.
constexpr int kCheckpointBusyTimeoutMs = 250;
// SQLite result codes used for failures found outside SQLite.
constexpr int kCantOpen = 14;
constexpr int kCorrupt = 11;
constexpr int kNotADatabase = 26;
constexpr int kReadOnly = 8;
constexpr int kError = 1;

// Entries in the order of all(): newest firstCopiedAt first, the later created first on ties.
bool newerFirst(const HistoryItemPtr& a, const HistoryItemPtr& b) {
  if (a->firstCopiedAt() != b->firstCopiedAt()) return a->firstCopiedAt() > b->firstCopiedAt();
  return a->storeSequence() > b->storeSequence();
}

bool olderFirst(const HistoryItemPtr& a, const HistoryItemPtr& b) { return newerFirst(b, a); }

std::string quotedText(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '"' || c == '\\') out += '\\';
    out += c;
  }
  return out + "\"";
}

// A size as people read it: "812 bytes", "400 kB", "64.0 MB" (units of 1024).
std::string sizeText(std::size_t bytes) {
  if (bytes < 1024) return std::to_string(bytes) + " bytes";
  if (bytes < 1024 * 1024) return std::to_string((bytes + 512) / 1024) + " kB";
  char text[32];
  std::snprintf(text, sizeof text, "%.1f MB", static_cast<double>(bytes) / (1024.0 * 1024.0));
  return text;
}

// The clipboard types of an entry, as a list for a message.
std::string typesText(const HistoryItem& item) {
  std::string text;
  for (const auto& content : item.contents()) {
    if (!text.empty()) text += ", ";
    text += content->type().value_or("no type");
  }
  return text;
}

// The store that the running thread reads in the background, if any.
thread_local const HistoryStore* loading = nullptr;

template <typename T>
void eraseOne(std::vector<T>& list, const T& value) {
  auto it = std::find(list.begin(), list.end(), value);
  if (it != list.end()) list.erase(it);
}

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

void HistoryStore::load() {
  if (readOnly_) {
    loadReadOnly();
    return;
  }
  if (inMemory_) {
    SqliteStatus status = SqliteDatabase::open({}, SqliteDatabase::Mode::memory, database_);
    if (status.ok()) status = StoreSchema::migrate(*database_);
    if (!status.ok()) {
      report(status, "load");
      database_.reset();
    }
    return;
  }
  loadReadWrite();
}

void HistoryStore::loadReadOnly() {
  std::error_code ec;
  if (!std::filesystem::exists(file_, ec)) return;  // nothing stored yet: an empty history
  // Without a write-ahead log no program has the store open, and the file can be read as it is
  // without leaving companion files behind. With one, reading must follow the log.
  const bool inUse = std::filesystem::exists(file_.string() + "-wal", ec);
  SqliteStatus status = SqliteDatabase::open(
      file_, inUse ? SqliteDatabase::Mode::readOnly : SqliteDatabase::Mode::readOnlySnapshot, database_);
  std::int64_t version = 0;
  if (status.ok()) status = StoreSchema::version(*database_, version);
  if (status.ok() && version > StoreSchema::latestVersion()) {
    status = {kError, "the history was written by a newer version of the program (schema version " +
                          std::to_string(version) + ")"};
  }
  if (status.ok() && version > 0) status = readRows();
  if (!status.ok()) {
    report(status, "load");
    clearRows();
    database_.reset();
  }
}

void HistoryStore::loadReadWrite() {
  for (int attempt = 0;; ++attempt) {
    if (!ensurePrivateFolder(file_.parent_path())) {
      report({kCantOpen, "cannot create the folder " + file_.parent_path().string()}, "load");
      return;
    }
    if (std::string error = StoreFiles::ensurePrivateFile(file_); !error.empty()) {
      report({kCantOpen, error}, "load");
      return;
    }
    SqliteStatus status = openChecked();
    if (status.ok()) {
      StoreFiles::restrictCompanions(file_);
      return;
    }
    clearRows();
    database_.reset();
    if (!status.isCorruption() || attempt > 0) {
      report(status, "load");
      return;
    }
    // A damaged store is kept for the user (never deleted) and a fresh one takes its place.
    std::string error;
    const std::filesystem::path moved = StoreFiles::moveAside(file_, openedAt_, error);
    if (moved.empty()) {
      report(status, "load", "reason = " + quotedText(error));
      return;
    }
    report(status, "load", "movedTo = " + quotedText(moved.string()));
  }
}

SqliteStatus HistoryStore::openChecked() {
  // Checked before SQLite sees the file: on closing a file it cannot read, SQLite would remove the
  // write-ahead log beside it, which may hold the user's latest entries.
  if (!StoreFiles::hasDatabaseHeader(file_)) return {kNotADatabase, "file is not a database"};
  SqliteStatus status = SqliteDatabase::open(file_, SqliteDatabase::Mode::readWrite, database_);
  if (!status.ok()) return status;
  database_->setBusyTimeout(busyTimeoutMs_);
  // The journal mode cannot change inside a transaction, so it is set first, on its own.
  if (status = database_->execute("PRAGMA journal_mode=WAL"); !status.ok()) return status;
  std::error_code ec;
  const std::uintmax_t size = std::filesystem::file_size(file_, ec);
  // A small store is held whole in the page cache while it is checked and read, so each page is
  // read from the file once; the cache goes back to its usual size afterwards.
  const bool small = !ec && size < kWholeCacheLimit;
  if (small) {
    if (status = database_->execute("PRAGMA cache_size=-" + std::to_string(kWholeCacheLimit / 1024 + 512));
        !status.ok()) {
      return status;
    }
  }
  std::string check;
  const char* pragma = (!ec && size > kFullCheckLimit) ? "PRAGMA quick_check" : "PRAGMA integrity_check";
  if (status = database_->queryText(pragma, check); !status.ok()) return status;
  if (check != "ok") return {kCorrupt, "database disk image is malformed: " + check};
  // secure_delete overwrites the bytes of deleted rows and freed pages with zeros, so a removed
  // entry does not linger in free space. The write-ahead log is overwritten from its start each
  // time it starts over; journal_size_limit cuts it back when it starts over after growing past
  // its usual size (a large image), so stale frames beyond do not stay in the file.
  if (status = database_->execute("PRAGMA synchronous=NORMAL; PRAGMA foreign_keys=ON; PRAGMA secure_delete=ON; "
                                  "PRAGMA journal_size_limit=" + std::to_string(kLogSizeLimit));
      !status.ok()) {
    return status;
  }
  if (status = StoreSchema::migrate(*database_); !status.ok()) return status;
  if (status = readRows(); !status.ok()) return status;
  return small ? database_->execute("PRAGMA cache_size=-2000") : SqliteStatus::success();
}

SqliteStatus HistoryStore::readRows() {
  clearRows();
  struct ContentRow {
    std::int64_t item;
    std::int64_t position;
    std::shared_ptr<HistoryItemContent> content;
  };
  std::vector<ContentRow> contentRows;
  {
    Statement statement;
    SqliteStatus status =
        database_->prepare("SELECT id, item, position, type, size, digest FROM HistoryItemContent", statement);
    if (!status.ok()) return status;
    for (bool row = false; (status = statement.step(row)).ok() && row;) {
      const bool hasValue = !statement.isNull(4);
      auto content = HistoryItemContent::stored(
          statement.columnBytes(3), hasValue, hasValue ? static_cast<std::size_t>(statement.columnInt(4)) : 0,
          static_cast<std::uint64_t>(statement.columnInt(5)), statement.columnInt(0));
      contentRows.push_back({statement.columnInt(1), statement.columnInt(2), std::move(content)});
    }
    if (!status.ok()) return status;
  }
  std::sort(contentRows.begin(), contentRows.end(), [](const ContentRow& a, const ContentRow& b) {
    return a.item != b.item ? a.item < b.item : a.position < b.position;
  });

  Statement statement;
  SqliteStatus status = database_->prepare(
      "SELECT id, firstCopiedAt, lastCopiedAt, numberOfCopies, pin FROM HistoryItem ORDER BY id", statement);
  if (!status.ok()) return status;
  auto next = contentRows.begin();
  for (bool row = false; (status = statement.step(row)).ok() && row;) {
    const std::int64_t id = statement.columnInt(0);
    while (next != contentRows.end() && next->item < id) ++next;  // contents of no entry
    HistoryItem::Contents contents;
    for (; next != contentRows.end() && next->item == id; ++next) contents.push_back(std::move(next->content));
    HistoryItemPtr item = HistoryItem::make(this, std::move(contents), statement.columnDouble(1),
                                            statement.columnDouble(2), statement.columnInt(3),
                                            statement.columnBytes(4), id, static_cast<std::uint64_t>(id));
    nextSequence_ = std::max(nextSequence_, static_cast<std::uint64_t>(id) + 1);
    live_.push_back(std::move(item));
  }
  if (!status.ok()) return status;
  std::stable_sort(live_.begin(), live_.end(), olderFirst);
  byDigest_.reserve(live_.size());
  for (const auto& item : live_) {
    if (item->isPinned()) ++pinnedCount_;
    if (item->hasDistinctContents()) {
      byDigest_.push_back(item.get());
    } else {
      irregular_.push_back(item);
    }
  }
  std::sort(byDigest_.begin(), byDigest_.end(), byKey);
  return SqliteStatus::success();
}

void HistoryStore::clearRows() {
  for (const auto& item : live_) item->store_ = nullptr;
  live_.clear();
  pinnedCount_ = 0;
  byDigest_.clear();
  irregular_.clear();
  inserted_.clear();
  deleted_.clear();
  trimmed_.clear();
  dirty_.clear();
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

void HistoryStore::saveContext() {
  settle();
  if (!hasChanges()) return;
  if (readOnly_) {
    report({kReadOnly, "the history is open read-only"}, "save");
    return;
  }
  if (!database_) {
    report({kCantOpen, "no history store is loaded"}, "save");
    return;
  }
  std::vector<HistoryItemPtr> deleted = deleted_;
  for (const auto& trim : trimmed_) deleted.push_back(trim.entry);
  const SqliteStatus status = commit(deleted, inserted_, dirty_);
  if (status.ok()) {
    deleted_.clear();
    trimmed_.clear();
    inserted_.clear();
    dirty_.clear();
    waitingReason_.clear();
    return;
  }
  report(status, "save");
  // Another program holding the store would hold up every smaller save as well: all stays pending.
  if (!status.isBusy()) saveSeparately();
  waitingReason_ = inserted_.empty() ? std::string() : status.message;
  keepFewWaiting();
}

void HistoryStore::saveSeparately() {
  // Removals and changed fields first, together: they take little room and free some. Entries
  // trimmed for a new one wait for it, and keep their changed fields in case they come back.
  if ((!deleted_.empty() || !dirty_.empty()) && commit(deleted_, {}, dirty_).ok()) {
    deleted_.clear();
    std::erase_if(dirty_, [](const HistoryItemPtr& item) {
      return !item->dirty_ || item->state_ == HistoryItem::State::gone;
    });
  }
  // Then each new entry on its own with what was trimmed for it, oldest first, so that none holds
  // back the copies after it. A value too long for the database is left out; an entry that finds
  // no room waits for a later save, and never costs a stored entry meanwhile.
  const std::vector<HistoryItemPtr> pending = inserted_;
  for (const auto& item : pending) {
    const SqliteStatus status = commit(trimmedFor(item), {item}, {});
    if (status.ok()) {
      eraseOne(inserted_, item);
      std::erase_if(trimmed_, [&item](const Trim& trim) { return trim.forCopy == item; });
    } else if (status.isTooBig()) {
      leaveOut(item, status.message);
    } else if (!status.isFull()) {
      return;  // not this entry's doing: it and the ones after it wait for the next save
    }
  }
}

void HistoryStore::keepFewWaiting() {
  std::size_t kept = 0;
  std::size_t bytes = 0;
  auto newest = inserted_.rbegin();
  for (; newest != inserted_.rend(); ++newest) {
    bytes += (*newest)->totalSize();
    if (kept > 0 && (kept == kMaxWaitingCopies || bytes > kMaxWaitingBytes)) break;
    ++kept;
  }
  const std::vector<HistoryItemPtr> older(inserted_.begin(), newest.base());
  for (const auto& item : older) leaveOut(item, waitingReason_);
}

SqliteStatus HistoryStore::commit(const std::vector<HistoryItemPtr>& deleted,
                                  const std::vector<HistoryItemPtr>& inserted,
                                  const std::vector<HistoryItemPtr>& dirty) {
  std::vector<std::pair<HistoryItem*, std::int64_t>> itemIds;
  std::vector<std::pair<HistoryItemContent*, std::int64_t>> contentIds;
  if (SqliteStatus status = writeChanges(deleted, inserted, dirty, itemIds, contentIds); !status.ok()) {
    return status;
  }
  for (auto& [item, id] : itemIds) {
    item->rowId_ = id;
    item->state_ = HistoryItem::State::saved;
  }
  for (auto& [content, id] : contentIds) {
    content->rowId_ = id;
    if (content->size() > kKeepInMemoryLimit) content->releaseValue();
  }
  for (const auto& item : deleted) {
    item->state_ = HistoryItem::State::gone;
    item->store_ = nullptr;
  }
  for (const auto& item : dirty) {
    if (item->state_ == HistoryItem::State::saved) item->dirty_ = false;  // the others were not written
  }
  return SqliteStatus::success();
}

void HistoryStore::leaveOut(const HistoryItemPtr& item, const std::string& reason) {
  settle();
  if (!item || item->store_ != this || item->state_ != HistoryItem::State::inserted) return;
  dropUnsaved(item);
  reportLeftOut(*item, reason);
}

void HistoryStore::reportLeftOut(const HistoryItem& item, const std::string& reason) {
  errors_ << "marbrel: a copy of " << sizeText(item.totalSize()) << " (" << typesText(item)
          << ") is left out of the history: " << reason << std::endl;
}

SqliteStatus HistoryStore::writeChanges(const std::vector<HistoryItemPtr>& deleted,
                                        const std::vector<HistoryItemPtr>& inserted,
                                        const std::vector<HistoryItemPtr>& dirty,
                                        std::vector<std::pair<HistoryItem*, std::int64_t>>& itemIds,
                                        std::vector<std::pair<HistoryItemContent*, std::int64_t>>& contentIds) {
  Transaction transaction(*database_);
  if (SqliteStatus status = transaction.begin(); !status.ok()) return status;
  for (const auto& item : deleted) {
    // Contents are deleted explicitly too, whatever the foreign-key setting of the connection.
    Statement contents;
    if (SqliteStatus status = database_->prepare("DELETE FROM HistoryItemContent WHERE item = ?1", contents);
        !status.ok()) {
      return status;
    }
    contents.bind(1, item->rowId_);
    if (SqliteStatus status = contents.run(); !status.ok()) return status;
    Statement entry;
    if (SqliteStatus status = database_->prepare("DELETE FROM HistoryItem WHERE id = ?1", entry); !status.ok()) {
      return status;
    }
    entry.bind(1, item->rowId_);
    if (SqliteStatus status = entry.run(); !status.ok()) return status;
  }
  for (const auto& item : inserted) {
    Statement entry;
    if (SqliteStatus status = database_->prepare(
            "INSERT INTO HistoryItem (firstCopiedAt, lastCopiedAt, numberOfCopies, pin) VALUES (?1, ?2, ?3, ?4)",
            entry);
        !status.ok()) {
      return status;
    }
    entry.bind(1, item->firstCopiedAt_);
    entry.bind(2, item->lastCopiedAt_);
    entry.bind(3, item->numberOfCopies_);
    entry.bind(4, item->pin_);
    if (SqliteStatus status = entry.run(); !status.ok()) return status;
    const std::int64_t itemId = database_->lastInsertRowId();
    itemIds.emplace_back(item.get(), itemId);
    std::int64_t position = 0;
    for (const auto& content : item->contents_) {
      Statement row;
      if (SqliteStatus status = database_->prepare(
              "INSERT INTO HistoryItemContent (item, position, type, size, digest, value) "
              "VALUES (?1, ?2, ?3, ?4, ?5, ?6)",
              row);
          !status.ok()) {
        return status;
      }
      row.bind(1, itemId);
      row.bind(2, position++);
      row.bind(3, content->type_);
      if (content->hasValue_) {
        row.bind(4, static_cast<std::int64_t>(content->size_));
      } else {
        row.bindNull(4);
      }
      row.bind(5, static_cast<std::int64_t>(content->digest_));
      row.bind(6, content->loadedValue());
      if (SqliteStatus status = row.run(); !status.ok()) return status;
      contentIds.emplace_back(content.get(), database_->lastInsertRowId());
    }
  }
  for (const auto& item : dirty) {
    if (item->state_ != HistoryItem::State::saved) continue;
    Statement entry;
    if (SqliteStatus status = database_->prepare(
            "UPDATE HistoryItem SET lastCopiedAt = ?2, numberOfCopies = ?3, pin = ?4 WHERE id = ?1", entry);
        !status.ok()) {
      return status;
    }
    entry.bind(1, item->rowId_);
    entry.bind(2, item->lastCopiedAt_);
    entry.bind(3, item->numberOfCopies_);
    entry.bind(4, item->pin_);
    if (SqliteStatus status = entry.run(); !status.ok()) return status;
  }
  return transaction.commit();
}

bool HistoryStore::loadValue(std::int64_t contentRowId, std::optional<std::string>& value) {
  if (!database_) return false;
  Statement statement;
  if (!database_->prepare("SELECT value FROM HistoryItemContent WHERE id = ?1", statement).ok()) return false;
  statement.bind(1, contentRowId);
  bool row = false;
  if (!statement.step(row).ok() || !row) return false;
  value = statement.columnBytes(0);
  return true;
}

void HistoryStore::readValues(const std::vector<const HistoryItemContent*>& contents,
                              const std::function<void(std::size_t index, std::string_view bytes)>& each) {
  settle();
  std::vector<std::pair<std::int64_t, std::size_t>> stored;
  for (std::size_t index = 0; index < contents.size(); ++index) {
    const HistoryItemContent* content = contents[index];
    if (!content || !content->hasValue_) continue;
    if (content->loaded_) {
      if (const auto& value = content->loadedValue()) each(index, *value);
    } else if (content->rowId_ != 0 && content->item_ && content->item_->store_ == this) {
      stored.emplace_back(content->rowId_, index);
    }
  }
  if (stored.empty() || !database_) return;
  std::sort(stored.begin(), stored.end());
  // One read transaction for all of them: each query on its own would take and drop the file's
  // lock.
  const bool ownTransaction = !database_->inTransaction() && database_->execute("BEGIN").ok();
  for (const auto& [rowId, index] : stored) {
    Statement statement;
    if (!database_->prepare("SELECT value FROM HistoryItemContent WHERE id = ?1", statement).ok()) break;
    statement.bind(1, rowId);
    bool row = false;
    if (statement.step(row).ok() && row && !statement.isNull(0)) each(index, statement.columnView(0));
  }
  if (ownTransaction) {
    SqliteStatus ignored = database_->execute("COMMIT");
    (void)ignored;
  }
}

std::string HistoryStore::integrityCheck() {
  settle();
  if (!database_) return "no history store is loaded";
  std::string result;
  if (SqliteStatus status = database_->queryText("PRAGMA integrity_check", result); !status.ok()) {
    return status.message;
  }
  return result;
}

void HistoryStore::setBusyTimeout(int milliseconds) {
  settle();
  busyTimeoutMs_ = milliseconds;
  if (database_) database_->setBusyTimeout(milliseconds);
}

void HistoryStore::limitSpace(std::int64_t pages, int valueBytes) {
  settle();
  if (!database_) return;
  database_->setLengthLimit(valueBytes);
  SqliteStatus ignored = database_->execute("PRAGMA max_page_count=" + std::to_string(pages));
  (void)ignored;
}

void HistoryStore::checkpoint() {
  settle();
  if (!database_ || readOnly_ || inMemory_) return;
  // A checkpoint that empties the log waits for readers of older snapshots; the user interface
  // must not stall behind a long read, so the wait is short. Failing here loses nothing.
  database_->setBusyTimeout(std::min(busyTimeoutMs_, kCheckpointBusyTimeoutMs));
  SqliteStatus ignored = database_->execute("PRAGMA wal_checkpoint(TRUNCATE)");
  (void)ignored;
  database_->setBusyTimeout(busyTimeoutMs_);
}

void HistoryStore::report(const SqliteStatus& status, const char* operation, const std::string& extra) {
  log_ << "Unresolved error " << status.message << ", {code = " << status.code << "; operation = " << operation
       << "; path = " << quotedText(inMemory_ ? std::string(":memory:") : file_.string());
  if (!extra.empty()) log_ << "; " << extra;
  log_ << "}" << std::endl;
}

}  // namespace marbrel
