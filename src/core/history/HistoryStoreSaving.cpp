// Saving the history store: committing the working context's changes, keeping the new entries
// that find no room for a later save, reading stored values back and checkpointing the log.
#include "core/history/HistoryStore.h"

#include <cstdio>

#include "core/history/HistoryStoreDetail.h"
#include "core/history/SqliteDatabase.h"
#include "core/history/StoreSchema.h"

namespace marbrel {

using namespace store_detail;

namespace {

// Values larger than this are dropped from memory once saved; they are read back when needed.
constexpr std::size_t kKeepInMemoryLimit = 256 * 1024;
// New entries that could not be stored wait in memory for a later save: the newest of them, at
// most this many and this many bytes together (the newest one whatever its size).
constexpr std::size_t kMaxWaitingCopies = 8;
constexpr std::size_t kMaxWaitingBytes = 64 * 1024 * 1024;
// How long a checkpoint waits for another process's readers before leaving the rest for later.
constexpr int kCheckpointBusyTimeoutMs = 250;

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

}  // namespace

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

}  // namespace marbrel
