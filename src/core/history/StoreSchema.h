#pragma once

#include <cstdint>
#include <span>

#include "core/history/SqliteDatabase.h"

namespace marbrel {

// The history database's tables, versioned by PRAGMA user_version: migration N (1-based) takes a
// database from version N-1 to N.
class StoreSchema {
 public:
  struct Migration {
    const char* name;
    const char* sql;
  };

  static std::span<const Migration> migrations();
  static std::int64_t latestVersion() { return static_cast<std::int64_t>(migrations().size()); }

  // Brings the database up to the latest version in one transaction. A database written by a
  // newer version of the program is left untouched and reported as an error.
  static SqliteStatus migrate(SqliteDatabase& database);
  // Applies the migrations up to `version` only (for testing each step from the one before).
  static SqliteStatus migrateTo(SqliteDatabase& database, std::int64_t version);
  static SqliteStatus version(SqliteDatabase& database, std::int64_t& version);
};

}  // namespace marbrel
