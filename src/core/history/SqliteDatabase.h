#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

namespace marbrel {

// The outcome of a database call: code 0 on success, else SQLite's result code and message.
struct [[nodiscard]] SqliteStatus {
  int code = 0;
  std::string message;

  bool ok() const { return code == 0; }
  // Whether the file itself is damaged or is not a database at all.
  bool isCorruption() const;
  // Whether another connection holds the lock the call needed.
  bool isBusy() const;
  // Whether the disk or the database is full: the same write may succeed once there is room.
  bool isFull() const;
  // Whether a value is longer than the connection accepts: the same write never succeeds.
  bool isTooBig() const;
  static SqliteStatus success() { return {}; }
};

// A prepared statement borrowed from its database's cache. Move-only; on scope exit it is reset
// and its bindings cleared, ready for the next user.
class Statement {
 public:
  Statement() = default;

  // Bindings are 1-based. A failed bind is remembered and returned by the next step().
  void bind(int index, std::int64_t value);
  void bind(int index, double value);
  // Binds bytes as a blob; an absent value binds NULL, an empty one a zero-length blob.
  void bind(int index, const std::optional<std::string>& bytes);
  void bindNull(int index);

  // Runs one step; `hasRow` says whether a result row is available.
  SqliteStatus step(bool& hasRow);
  // Runs a statement that returns no rows.
  SqliteStatus run();

  bool isNull(int column) const;
  std::int64_t columnInt(int column) const;
  double columnDouble(int column) const;
  // The column's bytes; absent for NULL.
  std::optional<std::string> columnBytes(int column) const;
  // The column's bytes where SQLite holds them, valid until the next step or reset; empty for NULL.
  std::string_view columnView(int column) const;

 private:
  friend class SqliteDatabase;
  struct Reset {
    void operator()(sqlite3_stmt* statement) const;
  };
  explicit Statement(sqlite3_stmt* statement) : statement_(statement) {}

  std::unique_ptr<sqlite3_stmt, Reset> statement_;
  SqliteStatus bindError_;
};

// One SQLite connection with a cache of prepared statements.
class SqliteDatabase {
 public:
  // readOnlySnapshot: read-only without locks or companion files, for a file nobody has open.
  enum class Mode { readWrite, readOnly, readOnlySnapshot, memory };

  // Opens (creating in readWrite mode) the database at `file`; memory ignores the path.
  static SqliteStatus open(const std::filesystem::path& file, Mode mode,
                           std::unique_ptr<SqliteDatabase>& database);
  ~SqliteDatabase();
  SqliteDatabase(const SqliteDatabase&) = delete;
  SqliteDatabase& operator=(const SqliteDatabase&) = delete;

  // A cached prepared statement for `sql` (the text must outlive the database: use literals).
  SqliteStatus prepare(const char* sql, Statement& statement);
  // Runs one or more statements that return nothing.
  SqliteStatus execute(const std::string& sql);
  // Runs a one-row, one-column query.
  SqliteStatus queryInteger(const std::string& sql, std::int64_t& value);
  SqliteStatus queryText(const std::string& sql, std::string& value);

  std::int64_t lastInsertRowId() const;
  bool inTransaction() const;
  void setBusyTimeout(int milliseconds);
  // The longest text or blob the connection accepts, in bytes (SQLite's own limit is the ceiling).
  void setLengthLimit(int bytes);

 private:
  explicit SqliteDatabase(sqlite3* handle) : handle_(handle) {}
  SqliteStatus failure(int code) const;

  sqlite3* handle_;
  std::map<const char*, sqlite3_stmt*> cache_;
};

// A write transaction (BEGIN IMMEDIATE) that is rolled back unless commit() succeeds.
class Transaction {
 public:
  // Not owned; outlives the transaction.
  explicit Transaction(SqliteDatabase& database) : database_(database) {}
  ~Transaction();
  Transaction(const Transaction&) = delete;
  Transaction& operator=(const Transaction&) = delete;

  SqliteStatus begin();
  SqliteStatus commit();

 private:
  SqliteDatabase& database_;
  bool active_ = false;
};

}  // namespace marbrel
