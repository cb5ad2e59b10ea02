#include "StoreWatch.h"

#include <algorithm>
#include <chrono>
#include <string_view>

#include <poll.h>
#include <sqlite3.h>
#include <sys/inotify.h>
#include <unistd.h>

namespace marbrel::bench {

StoreWatch::StoreWatch(const std::filesystem::path& storeFile) {
  inotify_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  if (inotify_ < 0 ||
      ::inotify_add_watch(inotify_, storeFile.parent_path().c_str(), IN_MODIFY | IN_CLOSE_WRITE | IN_MOVED_TO) < 0) {
    problem_ = "cannot watch " + storeFile.parent_path().string();
    return;
  }
  if (sqlite3_open_v2(storeFile.c_str(), &database_, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
    problem_ = "cannot read " + storeFile.string();
    return;
  }
  sqlite3_busy_timeout(database_, 1000);
  sqlite3_stmt* statement = nullptr;
  if (sqlite3_prepare_v2(database_, "SELECT max(id) FROM HistoryItemContent", -1, &statement, nullptr) == SQLITE_OK &&
      sqlite3_step(statement) == SQLITE_ROW) {
    seenUpTo_ = sqlite3_column_int64(statement, 0);
  } else {
    problem_ = "cannot read the history in " + storeFile.string();
  }
  sqlite3_finalize(statement);
}

StoreWatch::~StoreWatch() {
  if (database_) sqlite3_close(database_);
  if (inotify_ >= 0) ::close(inotify_);
}

bool StoreWatch::takeEvents() {
  alignas(inotify_event) char buffer[4096];
  bool any = false;
  while (::read(inotify_, buffer, sizeof buffer) > 0) any = true;
  return any;
}

bool StoreWatch::holdsNewText(const std::string& text) {
  sqlite3_stmt* statement = nullptr;
  if (sqlite3_prepare_v2(database_, "SELECT id, value FROM HistoryItemContent WHERE id > ?1", -1, &statement,
                         nullptr) != SQLITE_OK) {
    return false;
  }
  sqlite3_bind_int64(statement, 1, seenUpTo_);
  bool found = false;
  long long newest = seenUpTo_;
  while (sqlite3_step(statement) == SQLITE_ROW) {
    newest = std::max<long long>(newest, sqlite3_column_int64(statement, 0));
    const auto* bytes = static_cast<const char*>(sqlite3_column_blob(statement, 1));
    const int size = sqlite3_column_bytes(statement, 1);
    if (bytes && std::string_view(bytes, std::size_t(size)) == text) found = true;
  }
  sqlite3_finalize(statement);
  if (found) seenUpTo_ = newest;
  return found;
}

std::optional<Clock::time_point> StoreWatch::waitForText(const std::string& text, Clock::time_point deadline) {
  using namespace std::chrono_literals;
  Clock::time_point lastWrite;
  for (;;) {
    const auto now = Clock::now();
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now).count();
    if (left <= 0) return std::nullopt;
    // The program writes the log file first and then, through shared memory (which raises no
    // event), marks the transaction visible: shortly after a write the database is read again every
    // 2 ms. Otherwise every 100 ms, in case a write went unnoticed.
    const int interval = now - lastWrite < 200ms ? 2 : 100;
    pollfd pfd{inotify_, POLLIN, 0};
    const int ready = ::poll(&pfd, 1, int(std::min<long long>(left, interval)));
    const auto at = Clock::now();
    if (ready > 0 && takeEvents()) lastWrite = at;
    if (holdsNewText(text)) return at;
  }
}

}  // namespace marbrel::bench
