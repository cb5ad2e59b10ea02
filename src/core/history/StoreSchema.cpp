#include "core/history/StoreSchema.h"

#include <array>
#include <string>

namespace marbrel {

namespace {

// Types and values are blobs, so any bytes (NUL included) survive; a NULL value means the
// clipboard gave none, a NULL size likewise. The value comes last so that listing the contents
// reads the small columns without touching the bytes of large values.
constexpr std::array kMigrations{
    StoreSchema::Migration{
        "createHistoryTables",
        "CREATE TABLE HistoryItem ("
        "  id INTEGER PRIMARY KEY,"
        "  firstCopiedAt REAL NOT NULL,"
        "  lastCopiedAt REAL NOT NULL,"
        "  numberOfCopies INTEGER NOT NULL DEFAULT 1,"
        "  pin BLOB"
        ");"
        "CREATE TABLE HistoryItemContent ("
        "  id INTEGER PRIMARY KEY,"
        "  item INTEGER NOT NULL REFERENCES HistoryItem(id) ON DELETE CASCADE,"
        "  position INTEGER NOT NULL,"
        "  type BLOB,"
        "  size INTEGER,"
        "  digest INTEGER NOT NULL,"
        "  value BLOB"
        ");"
        "CREATE INDEX HistoryItemContent_item ON HistoryItemContent(item, position);"},
};

}  // namespace

std::span<const StoreSchema::Migration> StoreSchema::migrations() { return kMigrations; }

SqliteStatus StoreSchema::version(SqliteDatabase& database, std::int64_t& version) {
  version = 0;
  return database.queryInteger("PRAGMA user_version", version);
}

SqliteStatus StoreSchema::migrate(SqliteDatabase& database) {
  return migrateTo(database, latestVersion());
}

SqliteStatus StoreSchema::migrateTo(SqliteDatabase& database, std::int64_t target) {
  std::int64_t current = 0;
  // Quick exit without a write lock when nothing is to be done.
  if (SqliteStatus status = version(database, current); !status.ok()) return status;
  if (current == target) return SqliteStatus::success();

  Transaction transaction(database);
  if (SqliteStatus status = transaction.begin(); !status.ok()) return status;
  if (SqliteStatus status = version(database, current); !status.ok()) return status;
  if (current > latestVersion()) {
    return {1, "the history was written by a newer version of the program (schema version " +
                   std::to_string(current) + ")"};
  }
  for (std::int64_t next = current + 1; next <= target; ++next) {
    const Migration& migration = kMigrations[static_cast<std::size_t>(next - 1)];
    if (SqliteStatus status = database.execute(migration.sql); !status.ok()) {
      status.message = std::string("migration ") + migration.name + ": " + status.message;
      return status;
    }
  }
  if (current < target) {
    if (SqliteStatus status = database.execute("PRAGMA user_version = " + std::to_string(target));
        !status.ok()) {
      return status;
    }
  }
  return transaction.commit();
}

}  // namespace marbrel
