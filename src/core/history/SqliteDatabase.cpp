#include "core/history/SqliteDatabase.h"

#include <sqlite3.h>

namespace marbrel {

bool SqliteStatus::isCorruption() const {
  const int primary = code & 0xff;
  return primary == SQLITE_CORRUPT || primary == SQLITE_NOTADB;
}

bool SqliteStatus::isBusy() const {
  const int primary = code & 0xff;
  return primary == SQLITE_BUSY || primary == SQLITE_LOCKED;
}

bool SqliteStatus::isFull() const { return (code & 0xff) == SQLITE_FULL; }

bool SqliteStatus::isTooBig() const { return (code & 0xff) == SQLITE_TOOBIG; }

void Statement::Reset::operator()(sqlite3_stmt* statement) const {
  sqlite3_reset(statement);
  sqlite3_clear_bindings(statement);
}

namespace {

SqliteStatus statusOf(sqlite3_stmt* statement, int code) {
  if (code == SQLITE_OK || code == SQLITE_ROW || code == SQLITE_DONE) return SqliteStatus::success();
  sqlite3* handle = sqlite3_db_handle(statement);
  return {code, handle ? sqlite3_errmsg(handle) : sqlite3_errstr(code)};
}

// A "file:" URI for `file`, with the characters that URIs reserve escaped.
std::string fileUri(const std::filesystem::path& file) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string uri = "file:";
  for (unsigned char c : std::filesystem::absolute(file).string()) {
    if (c == '%' || c == '?' || c == '#' || c <= 0x20 || c >= 0x7f) {
      uri += '%';
      uri += kHex[c >> 4];
      uri += kHex[c & 15];
    } else {
      uri += static_cast<char>(c);
    }
  }
  return uri;
}

}  // namespace

void Statement::bind(int index, std::int64_t value) {
  const int code = sqlite3_bind_int64(statement_.get(), index, value);
  if (bindError_.ok() && code != SQLITE_OK) bindError_ = statusOf(statement_.get(), code);
}

void Statement::bind(int index, double value) {
  const int code = sqlite3_bind_double(statement_.get(), index, value);
  if (bindError_.ok() && code != SQLITE_OK) bindError_ = statusOf(statement_.get(), code);
}

void Statement::bind(int index, const std::optional<std::string>& bytes) {
  int code;
  if (!bytes) {
    code = sqlite3_bind_null(statement_.get(), index);
  } else if (bytes->empty()) {
    code = sqlite3_bind_zeroblob(statement_.get(), index, 0);
  } else {
    code = sqlite3_bind_blob64(statement_.get(), index, bytes->data(), bytes->size(), SQLITE_STATIC);
  }
  if (bindError_.ok() && code != SQLITE_OK) bindError_ = statusOf(statement_.get(), code);
}

void Statement::bindNull(int index) {
  const int code = sqlite3_bind_null(statement_.get(), index);
  if (bindError_.ok() && code != SQLITE_OK) bindError_ = statusOf(statement_.get(), code);
}

SqliteStatus Statement::step(bool& hasRow) {
  hasRow = false;
  if (!statement_) return {SQLITE_MISUSE, "statement not prepared"};
  if (!bindError_.ok()) return bindError_;
  const int code = sqlite3_step(statement_.get());
  hasRow = code == SQLITE_ROW;
  return statusOf(statement_.get(), code);
}

SqliteStatus Statement::run() {
  bool hasRow = false;
  SqliteStatus status = step(hasRow);
  // A statement run for its effect is finished at once, so it releases its locks.
  if (statement_) sqlite3_reset(statement_.get());
  return status;
}

bool Statement::isNull(int column) const {
  return sqlite3_column_type(statement_.get(), column) == SQLITE_NULL;
}

std::int64_t Statement::columnInt(int column) const {
  return sqlite3_column_int64(statement_.get(), column);
}

double Statement::columnDouble(int column) const {
  return sqlite3_column_double(statement_.get(), column);
}

std::optional<std::string> Statement::columnBytes(int column) const {
  if (isNull(column)) return std::nullopt;
  const void* data = sqlite3_column_blob(statement_.get(), column);
  const int size = sqlite3_column_bytes(statement_.get(), column);
  if (!data || size <= 0) return std::string();
  return std::string(static_cast<const char*>(data), static_cast<std::size_t>(size));
}

std::string_view Statement::columnView(int column) const {
  const void* data = sqlite3_column_blob(statement_.get(), column);
  const int size = sqlite3_column_bytes(statement_.get(), column);
  if (!data || size <= 0) return {};
  return std::string_view(static_cast<const char*>(data), static_cast<std::size_t>(size));
}

SqliteStatus SqliteDatabase::open(const std::filesystem::path& file, Mode mode,
                                  std::unique_ptr<SqliteDatabase>& database) {
  database.reset();
  int flags = SQLITE_OPEN_NOMUTEX;
  std::string name = file.string();
  switch (mode) {
    case Mode::readWrite:
      flags |= SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;
      break;
    case Mode::readOnly:
      flags |= SQLITE_OPEN_READONLY;
      break;
    case Mode::readOnlySnapshot:
      flags |= SQLITE_OPEN_READONLY | SQLITE_OPEN_URI;
      name = fileUri(file) + "?immutable=1";
      break;
    case Mode::memory:
      flags |= SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_MEMORY;
      name = ":memory:";
      break;
  }
  sqlite3* handle = nullptr;
  const int code = sqlite3_open_v2(name.c_str(), &handle, flags, nullptr);
  if (code != SQLITE_OK) {
    SqliteStatus status{code, handle ? sqlite3_errmsg(handle) : sqlite3_errstr(code)};
    sqlite3_close_v2(handle);
    return status;
  }
  sqlite3_extended_result_codes(handle, 1);
  database.reset(new SqliteDatabase(handle));
  return SqliteStatus::success();
}

SqliteDatabase::~SqliteDatabase() {
  for (auto& [sql, statement] : cache_) sqlite3_finalize(statement);
  sqlite3_close_v2(handle_);
}

SqliteStatus SqliteDatabase::failure(int code) const { return {code, sqlite3_errmsg(handle_)}; }

SqliteStatus SqliteDatabase::prepare(const char* sql, Statement& statement) {
  auto it = cache_.find(sql);
  if (it == cache_.end()) {
    sqlite3_stmt* prepared = nullptr;
    const int code = sqlite3_prepare_v3(handle_, sql, -1, SQLITE_PREPARE_PERSISTENT, &prepared, nullptr);
    if (code != SQLITE_OK) return failure(code);
    it = cache_.emplace(sql, prepared).first;
  }
  statement = Statement(it->second);
  return SqliteStatus::success();
}

SqliteStatus SqliteDatabase::execute(const std::string& sql) {
  char* message = nullptr;
  const int code = sqlite3_exec(handle_, sql.c_str(), nullptr, nullptr, &message);
  if (code == SQLITE_OK) return SqliteStatus::success();
  SqliteStatus status{code, message ? message : sqlite3_errstr(code)};
  sqlite3_free(message);
  return status;
}

SqliteStatus SqliteDatabase::queryInteger(const std::string& sql, std::int64_t& value) {
  sqlite3_stmt* statement = nullptr;
  int code = sqlite3_prepare_v2(handle_, sql.c_str(), -1, &statement, nullptr);
  if (code != SQLITE_OK) return failure(code);
  code = sqlite3_step(statement);
  if (code == SQLITE_ROW) value = sqlite3_column_int64(statement, 0);
  SqliteStatus status = statusOf(statement, code);
  sqlite3_finalize(statement);
  return status;
}

SqliteStatus SqliteDatabase::queryText(const std::string& sql, std::string& value) {
  sqlite3_stmt* statement = nullptr;
  int code = sqlite3_prepare_v2(handle_, sql.c_str(), -1, &statement, nullptr);
  if (code != SQLITE_OK) return failure(code);
  code = sqlite3_step(statement);
  value.clear();
  if (code == SQLITE_ROW) {
    const unsigned char* text = sqlite3_column_text(statement, 0);
    if (text) value = reinterpret_cast<const char*>(text);
  }
  SqliteStatus status = statusOf(statement, code);
  sqlite3_finalize(statement);
  return status;
}

std::int64_t SqliteDatabase::lastInsertRowId() const { return sqlite3_last_insert_rowid(handle_); }

bool SqliteDatabase::inTransaction() const { return sqlite3_get_autocommit(handle_) == 0; }

void SqliteDatabase::setBusyTimeout(int milliseconds) { sqlite3_busy_timeout(handle_, milliseconds); }

void SqliteDatabase::setLengthLimit(int bytes) { sqlite3_limit(handle_, SQLITE_LIMIT_LENGTH, bytes); }

Transaction::~Transaction() {
  if (active_ && database_.inTransaction()) {
    SqliteStatus ignored = database_.execute("ROLLBACK");
    (void)ignored;
  }
}

SqliteStatus Transaction::begin() {
  SqliteStatus status = database_.execute("BEGIN IMMEDIATE");
  active_ = status.ok();
  return status;
}

SqliteStatus Transaction::commit() {
  SqliteStatus status = database_.execute("COMMIT");
  if (status.ok()) active_ = false;
  return status;
}

}  // namespace marbrel
