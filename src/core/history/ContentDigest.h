#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace marbrel {

// Hashes of history contents: one per (type, value), and an order-independent combination of
// them per entry, so that entries with the same contents in any order share a digest.
class ContentDigest {
 public:
  // Absent and empty differ, for the type and for the value. Stable across runs and versions.
  static std::uint64_t of(const std::optional<std::string>& type, const std::optional<std::string>& value);

  // Accumulates content digests in any order.
  void add(std::uint64_t contentDigest);
  std::uint64_t value() const { return sum_; }

 private:
  std::uint64_t sum_ = 0;
};

}  // namespace marbrel
