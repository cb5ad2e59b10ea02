#pragma once

#include <filesystem>
#include <string>

namespace marbrel {

// The store's files on disk: a private database file, and moving a damaged store aside.
class StoreFiles {
 public:
  // Creates `file` empty with mode 0600 if missing, else sets its mode to 0600 (owner read/write).
  static std::string ensurePrivateFile(const std::filesystem::path& file);
  // Whether `file` is empty or starts like an SQLite database.
  static bool hasDatabaseHeader(const std::filesystem::path& file);
  // Sets 0600 on the database's -wal and -shm companions where they exist.
  static void restrictCompanions(const std::filesystem::path& file);
  // Renames `file` and its -wal and -shm companions to "<file>.corrupt-<stamp>" (plus a counter
  // when taken). Returns the new path of the main file, or an empty path on failure (`error` set).
  static std::filesystem::path moveAside(const std::filesystem::path& file, long long stamp,
                                         std::string& error);
};

}  // namespace marbrel
