#pragma once

#include <cstdint>
#include <vector>

#include "core/fuzzy/FusePattern.h"
#include "core/fuzzy/FuseText.h"

namespace marbrel {

// The core of the matcher: scores one pattern against one prepared text by shift-and with error
// levels, and on request marks every character of the text that took part.
class Bitap {
 public:
  Bitap(std::int64_t location, std::int64_t distance, double threshold)
      : location_(location), distance_(distance), threshold_(threshold) {}

  // The score of `errors` errors in a pattern of `len` characters at position `x` when the match
  // is expected at `loc`.
  double score(std::int64_t len, std::int64_t errors, std::int64_t x, std::int64_t loc) const;

  // The score of the last candidate that completed a match, accepted or not; 1.0 when none did.
  // When `matchMask` is given it receives one entry per character of `text`, 1 for each character
  // that took part (exact occurrences, and scanned characters that the pattern holds).
  double run(const FusePattern& pattern, const FuseText& text,
             std::vector<std::uint8_t>* matchMask) const;

 private:
  // The scan state of one error level.
  struct Level {
    std::int64_t errors = 0;
    std::int64_t start = 0;
    std::int64_t finish = 0;
    double threshold = 0;
    double result = 1.0;  // the score of the last candidate, 1.0 while there is none
  };

  // What the search for exact occurrences learnt before the scan: the error-free level's window
  // under the engine's own threshold (-1: not worked out), and that no occurrence starts at a
  // position from clearFrom to clearTo (none known when clearFrom > clearTo).
  struct Known {
    std::int64_t widest = -1;
    std::int64_t clearFrom = 0;
    std::int64_t clearTo = -1;
  };

  template <bool kSingleByte, bool kMark>
  double scan(const FusePattern& pattern, const FuseText& text, double threshold, const Known& known,
              std::vector<std::uint8_t>* matchMask) const;
  template <bool kSingleByte, bool kMark, bool kFirstLevel>
  void scanLevel(const FusePattern& pattern, const FuseText& text, Level& level,
                 std::uint64_t* row, const std::uint64_t* previous,
                 std::vector<std::uint8_t>* matchMask) const;
  // The error-free level of a text of one-byte characters: visits its candidates as the scan
  // would, without making rows; returns the lowest position the scan would have visited.
  std::int64_t exactLevel(const FusePattern& pattern, const FuseText& text, const Known& known, Level& level) const;
  // The error-free level's rows that the level `next` (with one error) reads, as its scan would
  // have made them over the window ending at `finish` and stopping at `visited`.
  void firstRows(const FusePattern& pattern, const FuseText& text, const Level& next, std::int64_t visited,
                 std::int64_t finish, std::vector<std::uint64_t>& rows) const;
  void markWindow(const FusePattern& pattern, const FuseText& text, double threshold,
                  std::vector<std::uint8_t>& matchMask) const;
  std::int64_t windowHalfWidth(std::int64_t len, std::int64_t errors, std::int64_t hi,
                               double threshold) const;

  std::int64_t location_;
  std::int64_t distance_;
  double threshold_;
};

}  // namespace marbrel
