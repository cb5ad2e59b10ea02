#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "TracedProgram.h"

struct sqlite3;

namespace marbrel::bench {

// Tells when a text copied by another program has been written into the history store, without
// asking the program: the store's folder is watched for writes (inotify), and after each write the
// database is read (a read-only connection; the store keeps a write-ahead log, so reading never
// holds up the program's writes) for a content holding the text that is newer than any seen before.
class StoreWatch {
 public:
  // `storeFile` must exist (a seeded store).
  explicit StoreWatch(const std::filesystem::path& storeFile);
  ~StoreWatch();
  StoreWatch(const StoreWatch&) = delete;
  StoreWatch& operator=(const StoreWatch&) = delete;

  // Why the watch could not be set up, or empty.
  const std::string& problem() const { return problem_; }
  // Waits until `text` is in a content added since the last call, up to `deadline`: the moment the
  // write that made it visible was noticed, or nothing.
  std::optional<Clock::time_point> waitForText(const std::string& text, Clock::time_point deadline);

 private:
  bool holdsNewText(const std::string& text);
  // Reads the pending folder events; true when any arrived.
  bool takeEvents();

  int inotify_ = -1;
  sqlite3* database_ = nullptr;
  long long seenUpTo_ = 0;
  std::string problem_;
};

}  // namespace marbrel::bench
