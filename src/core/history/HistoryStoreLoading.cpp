// Opening the history store: checking the database file, moving a damaged one aside, and reading
// every entry's metadata into the working context.
#include "core/history/HistoryStore.h"

#include <algorithm>

#include "core/config/PrivateFiles.h"
#include "core/history/HistoryStoreDetail.h"
#include "core/history/SqliteDatabase.h"
#include "core/history/StoreFiles.h"
#include "core/history/StoreSchema.h"

namespace marbrel {

using namespace store_detail;

namespace {

// Above this size the open-time check skips index cross-checks (quick_check) to stay fast.
constexpr std::uintmax_t kFullCheckLimit = 64ull * 1024 * 1024;
constexpr std::uintmax_t kWholeCacheLimit = 16ull * 1024 * 1024;
// The write-ahead log is cut back to this size when it starts over: above the ~4 MB it reaches
// between automatic checkpoints, so only a log grown by a large value is cut.
constexpr long long kLogSizeLimit = 8ll * 1024 * 1024;

}  // namespace

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

}  // namespace marbrel
