#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <iostream>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <thread>
#include <unordered_map>
#include <vector>

#include "core/history/HistoryItem.h"

namespace marbrel {

class MainQueue;
class SqliteDatabase;
struct SqliteStatus;

// How an entry of the working context changed: it came, it went, or a field it is ordered by
// (lastCopiedAt, numberOfCopies, pin) moved.
enum class HistoryChange { inserted, removed, changed };

// A content for a new entry, as the clipboard gave it.
struct NewContent {
  std::optional<std::string> type;
  std::optional<std::string> value;
};

// The history's one persistent store and its single working context. Every entry's metadata is
// kept in memory after opening, so fetches never touch the database; inserts, deletions and field
// changes stay pending (visible to fetches at once) until saveContext() commits them together.
class HistoryStore {
 public:
  // Opens or creates the store at `file`; `inMemory` uses a private in-memory database and leaves
  // the disk alone. A file that is not a sound database is moved aside and a fresh one is used.
  // Failures print "Unresolved error ..." to `log` and the store goes on (saves then fail). A copy
  // that cannot be stored is reported on `errors`.
  static std::unique_ptr<HistoryStore> open(const std::filesystem::path& file, const MainQueue& clock,
                                            bool inMemory, std::ostream& log = std::cout,
                                            std::ostream& errors = std::cerr);
  // The same, reading the store on a thread of its own while the caller goes on, so that a program
  // can show itself first: the first call that needs the entries waits for the reading to end.
  // `afterLoading`, when given, runs on that thread once the entries are read, with the store to
  // itself (to read ahead what will be wanted first).
  static std::unique_ptr<HistoryStore> openInBackground(const std::filesystem::path& file, const MainQueue& clock,
                                                        std::ostream& log = std::cout,
                                                        std::ostream& errors = std::cerr,
                                                        std::function<void(HistoryStore&)> afterLoading = {});
  // A read-only view of the store at `file` (for the command line while the program runs): never
  // writes, never moves files. A missing file is an empty history.
  static std::unique_ptr<HistoryStore> openReadOnly(const std::filesystem::path& file,
                                                    std::ostream& log = std::cout);
  // $XDG_DATA_HOME/marbrel/MarbrelStorage.sqlite (~/.local/share when unset or relative).
  static std::filesystem::path standardFile();

  ~HistoryStore();
  HistoryStore(const HistoryStore&) = delete;
  HistoryStore& operator=(const HistoryStore&) = delete;

  // A new, unsaved entry with these contents in order, both dates = now, one copy, unpinned.
  HistoryItemPtr insertItem(std::vector<NewContent> contents);

  // Every live entry, newest firstCopiedAt first (ties: the later created first). Includes
  // unsaved inserts and omits unsaved deletions.
  std::vector<HistoryItemPtr> all() const;
  // all() without the pinned entries, same order.
  std::vector<HistoryItemPtr> unpinned() const;
  std::size_t count() const {
    settle();
    return live_.size();
  }
  // How many live entries are unpinned, and the one of them with the oldest firstCopiedAt (the
  // last of unpinned()), without copying the list.
  std::size_t unpinnedCount() const {
    settle();
    return live_.size() - pinnedCount_;
  }
  HistoryItemPtr oldestUnpinned() const;

  // The live entries that may have the same contents as `item` (a superset of the real matches,
  // `item` itself included when live), in all() order. Cheap unless `item` repeats a content.
  std::vector<HistoryItemPtr> possibleDuplicates(const HistoryItem& item) const;

  // Hands `each` the bytes of every content of `contents` that has a value, with its index in the
  // list, reading stored ones in one pass in the order they lie on disk rather than one query at
  // a time. Nothing is kept in memory; the view is valid during the call only.
  void readValues(const std::vector<const HistoryItemContent*>& contents,
                  const std::function<void(std::size_t index, std::string_view bytes)>& each);

  // Removes an entry from the working context; saveContext() deletes it with its contents.
  void deleteItem(const HistoryItemPtr& item);
  // The same for an entry removed to make room for the newest unsaved one (trimming a full
  // history): its deletion is committed only together with that entry, and the entry comes back
  // if that one leaves without being stored.
  void trimItem(const HistoryItemPtr& item);

  bool hasChanges() const;
  // Commits every pending change in one transaction. On failure prints the "Unresolved error"
  // line and, unless another program holds the store, commits what it can: the removals and
  // changed fields together, then each new entry on its own with the entries trimmed for it,
  // oldest first. A value too long for the database is left out; a new entry that finds no room,
  // like whatever else fails, stays pending for the next save. Of the new entries left pending,
  // only the newest few are kept (the older ones are left out); those still pending when the store
  // closes are reported as left out.
  void saveContext();
  // Takes a new, unsaved entry out of the working context for good and says on the error stream
  // which copy is left out of the history and why.
  void leaveOut(const HistoryItemPtr& item, const std::string& reason);

  // Copies the write-ahead log into the database file and empties the log, so neither file keeps
  // an earlier version of a page: with deleted rows overwritten, their bytes leave the disk's files.
  // Waits only briefly for another process's reader; if one holds on, a later checkpoint finishes.
  void checkpoint();

  // "ok", or the problems the database finds in itself.
  std::string integrityCheck();
  // How long a save waits for another process's lock before failing.
  void setBusyTimeout(int milliseconds);
  // Caps the database at `pages` pages and each value at `valueBytes` bytes, so that saves fail as
  // on a full disk or with a value over SQLite's length limit (for tests of such failures).
  void limitSpace(std::int64_t pages, int valueBytes);

  // Observers hear of every change to the live entries as it happens in the working context, saved
  // or not: each insert, each deletion, and each change of an entry's dates, count or pin. The
  // entries present when an observer is added are what all() returns then.
  using ChangeObserver = std::function<void(HistoryItem&, HistoryChange)>;
  using ObserverId = std::uint64_t;
  ObserverId addChangeObserver(ChangeObserver observer);
  void removeChangeObserver(ObserverId id);

  const std::filesystem::path& file() const { return file_; }
  bool isReadOnly() const { return readOnly_; }
  bool isInMemory() const { return inMemory_; }
  // Whether a database is attached (false after a failed open: saves fail, fetches still work).
  bool isLoaded() const {
    settle();
    return database_ != nullptr;
  }

 private:
  friend class HistoryItem;
  friend class HistoryItemContent;

  struct DigestKey {
    std::uint64_t digest;
    std::size_t count;
    bool operator==(const DigestKey&) const = default;
  };

  HistoryStore(std::filesystem::path file, const MainQueue* clock, std::ostream& log, std::ostream& errors,
               bool readOnly, bool inMemory);
  void load();
  // Waits for a reading in the background to end (not on the thread that reads).
  void settle() const;
  void loadReadOnly();
  void loadReadWrite();
  [[nodiscard]] SqliteStatus openChecked();
  [[nodiscard]] SqliteStatus readRows();
  void clearRows();
  void attach(const HistoryItemPtr& item);
  void detach(const HistoryItemPtr& item);
  void markDirty(HistoryItem& item);
  void pinChanged(const HistoryItem& item, bool wasPinned);
  void notify(HistoryItem& item, HistoryChange change);
  bool loadValue(std::int64_t contentRowId, std::optional<std::string>& value);
  void saveSeparately();
  // Leaves out the older unsaved new entries beyond what may wait in memory for a later save.
  void keepFewWaiting();
  // Takes an unsaved new entry out of the working context; what was trimmed for it comes back.
  void dropUnsaved(HistoryItemPtr item);  // a copy: the caller's may live in inserted_
  std::vector<HistoryItemPtr> trimmedFor(const HistoryItemPtr& item) const;
  void reportLeftOut(const HistoryItem& item, const std::string& reason);
  // Writes these changes in one transaction and, once it is committed, marks them saved.
  [[nodiscard]] SqliteStatus commit(const std::vector<HistoryItemPtr>& deleted,
                                    const std::vector<HistoryItemPtr>& inserted,
                                    const std::vector<HistoryItemPtr>& dirty);
  [[nodiscard]] SqliteStatus writeChanges(const std::vector<HistoryItemPtr>& deleted,
                                          const std::vector<HistoryItemPtr>& inserted,
                                          const std::vector<HistoryItemPtr>& dirty,
                                          std::vector<std::pair<HistoryItem*, std::int64_t>>& itemIds,
                                          std::vector<std::pair<HistoryItemContent*, std::int64_t>>& contentIds);
  void report(const SqliteStatus& status, const char* operation, const std::string& extra = {});
  static DigestKey keyOf(const HistoryItem& item);
  static bool byKey(const HistoryItem* a, const HistoryItem* b);

  std::filesystem::path file_;
  const MainQueue* clock_;  // not owned; null for a read-only view
  long long openedAt_ = 0;  // the clock's time at opening, in seconds
  std::ostream& log_;
  std::ostream& errors_;
  bool readOnly_;
  bool inMemory_;
  std::unique_ptr<SqliteDatabase> database_;
  int busyTimeoutMs_;
  std::uint64_t nextSequence_ = 1;
  std::size_t pinnedCount_ = 0;  // pinned entries among live_

  // Live entries, oldest first (the reverse of all()).
  std::vector<HistoryItemPtr> live_;
  // The live entries whose contents are distinct, by digest and content count: where a copy's
  // duplicates are looked for.
  std::vector<HistoryItem*> byDigest_;
  std::vector<HistoryItemPtr> irregular_;  // live entries whose contents may repeat
  std::vector<HistoryItemPtr> inserted_;   // unsaved new entries, in creation order
  std::vector<HistoryItemPtr> deleted_;    // saved entries whose deletion is pending
  std::vector<HistoryItemPtr> dirty_;      // saved entries with changed fields
  // Saved entries trimmed to make room for an unsaved new one, with it: deleted along with it.
  struct Trim {
    HistoryItemPtr entry;
    HistoryItemPtr forCopy;
  };
  std::vector<Trim> trimmed_;
  // Why the last save failed while new entries are still pending; empty otherwise.
  std::string waitingReason_;
  std::vector<std::pair<ObserverId, ChangeObserver>> observers_;
  ObserverId nextObserverId_ = 1;
  mutable std::thread loader_;  // reading the store in the background, until settle()
};

}  // namespace marbrel
