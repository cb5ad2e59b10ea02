#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace marbrel {

// A closed range [lower, upper] of character positions (extended grapheme clusters) of a searched text.
struct FuseRange {
  std::int64_t lower = 0;
  std::int64_t upper = 0;

  friend bool operator==(const FuseRange&, const FuseRange&) = default;
};

// The matcher's answer for one text: a score (0 is perfect; exactly 1 is never returned) and the
// ranges of the text's characters that took part in matching.
struct FuseResult {
  double score = 1.0;
  std::vector<FuseRange> ranges;
};

}  // namespace marbrel
