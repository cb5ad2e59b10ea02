#pragma once

#include <filesystem>

namespace marbrel::bench {

// Fills a history store with distinct plain-text entries, as if copied one a second up to now.
class HistorySeed {
 public:
  // False when the store could not be written.
  static bool write(const std::filesystem::path& file, int entries);
};

}  // namespace marbrel::bench
