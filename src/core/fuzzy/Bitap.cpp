#include "core/fuzzy/Bitap.h"

#include <algorithm>
#include <cstdlib>

namespace marbrel {
namespace {

// Two rows of the current and the previous error level, reused from search to search so that
// the scan allocates nothing in the common case.
struct Rows {
  std::vector<std::uint64_t> current;
  std::vector<std::uint64_t> previous;

  ~Rows() = default;
  // Rows of a huge window are not kept once the search is over.
  void trim() {
    constexpr std::size_t kKeep = std::size_t{1} << 16;
    if (current.capacity() > kKeep) std::vector<std::uint64_t>().swap(current);
    if (previous.capacity() > kKeep) std::vector<std::uint64_t>().swap(previous);
  }
};

Rows& threadRows() {
  thread_local Rows rows;
  return rows;
}

// The characters of a prepared text as the scan reads them, by the pattern's bit sets.
template <bool kSingleByte>
struct Characters {
  const FusePattern& pattern;
  const FuseText& text;
  const unsigned char* bytes = reinterpret_cast<const unsigned char*>(text.text().data());

  std::uint64_t bitsAt(std::int64_t k) const {
    if constexpr (kSingleByte) {
      return pattern.bitsOfByte(bytes[k]);
    } else {
      return pattern.bitsOf(text.character(k));
    }
  }
};

}  // namespace

double Bitap::score(std::int64_t len, std::int64_t errors, std::int64_t x, std::int64_t loc) const {
  const double accuracy = static_cast<double>(errors) / static_cast<double>(len);
  const std::int64_t proximity = std::llabs(x - loc);
  if (distance_ == 0) return proximity != 0 ? 1.0 : accuracy;
  return accuracy + static_cast<double>(proximity) / static_cast<double>(distance_);
}

std::int64_t Bitap::windowHalfWidth(std::int64_t len, std::int64_t errors, std::int64_t hi,
                                    double threshold) const {
  // The widest offset from `location` at which `errors` errors still score within the threshold,
  // by binary search below `hi`.
  std::int64_t lo = 0;
  std::int64_t mid = hi;
  while (lo < mid) {
    if (score(len, errors, location_, location_ + mid) <= threshold) {
      lo = mid;
    } else {
      hi = mid;
    }
    mid = (hi - lo) / 2 + lo;
  }
  return mid;
}

double Bitap::run(const FusePattern& pattern, const FuseText& text,
                  std::vector<std::uint8_t>* matchMask) const {
  const std::int64_t n = text.size();
  const std::int64_t len = pattern.len();
  if (matchMask) matchMask->assign(static_cast<std::size_t>(n), 0);

  // A text equal to the query is a perfect match over its whole length.
  if (text.text() == pattern.text()) {
    if (matchMask) std::fill(matchMask->begin(), matchMask->end(), 1);
    return 0.0;
  }

  // Exact occurrences at or after `location` lower the threshold. Their positions only grow,
  // so the first one scores best; the rest only matter for the mask.
  double threshold = threshold_;
  auto occurrence = text.find(pattern.text(), location_);
  if (occurrence) threshold = std::min(threshold, score(len, 0, occurrence->begin, location_));
  if (matchMask) {
    while (occurrence) {
      std::fill(matchMask->begin() + occurrence->begin, matchMask->begin() + occurrence->end, 1);
      occurrence = text.find(pattern.text(), occurrence->end);
    }
  }

  // A query of more than 64 characters has no row bit for a complete match: no candidate.
  if (pattern.mask() == 0) {
    if (matchMask) markWindow(pattern, text, threshold, *matchMask);
    return 1.0;
  }

  const bool single = text.singleByteCharacters();
  if (matchMask) {
    return single ? scan<true, true>(pattern, text, threshold, matchMask)
                  : scan<false, true>(pattern, text, threshold, matchMask);
  }
  return single ? scan<true, false>(pattern, text, threshold, nullptr)
                : scan<false, false>(pattern, text, threshold, nullptr);
}

template <bool kSingleByte, bool kMark>
double Bitap::scan(const FusePattern& pattern, const FuseText& text, double threshold,
                   std::vector<std::uint8_t>* matchMask) const {
  const Characters<kSingleByte> characters{pattern, text};
  const std::int64_t n = text.size();
  const std::int64_t len = pattern.len();
  const std::uint64_t mask = pattern.mask();
  Rows& rows = threadRows();
  std::vector<std::uint64_t>& row = rows.current;
  std::vector<std::uint64_t>& previous = rows.previous;

  double result = 1.0;
  std::int64_t hi = len + n;
  for (std::int64_t errors = 0; errors < len; ++errors) {
    const std::int64_t mid = windowHalfWidth(len, errors, hi, threshold);
    hi = mid;
    std::int64_t start = std::max<std::int64_t>(1, location_ - mid + 1);
    const std::int64_t finish = std::min(location_ + mid, n) + len;
    // Windows only shrink from level to level, so once one is empty all later ones are too.
    if (start > finish) break;

    row.assign(static_cast<std::size_t>(finish + 2), 0);
    row[finish + 1] = errors >= 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << errors) - 1;
    for (std::int64_t j = finish; j >= start; --j) {
      const std::int64_t candidate = j - 1;
      const std::uint64_t bits = candidate < n ? characters.bitsAt(candidate) : 0;
      if constexpr (kMark) {
        if (bits != 0) (*matchMask)[candidate] = 1;
      }
      std::uint64_t value = ((row[j + 1] << 1) | 1) & bits;
      if (errors > 0) value |= ((previous[j + 1] | previous[j]) << 1) | 1 | previous[j + 1];
      row[j] = value;
      if ((value & mask) != 0) {
        // The last candidate's score is what the search reports, accepted or not.
        result = score(len, errors, candidate, location_);
        if (result <= threshold) {
          threshold = result;
          if (candidate <= location_) break;
          start = std::max<std::int64_t>(1, 2 * location_ - candidate);
        }
      }
    }
    // No further error level can beat the accepted score.
    if (score(len, errors + 1, location_, location_) > threshold) break;
    row.swap(previous);
  }
  rows.trim();
  return result;
}

void Bitap::markWindow(const FusePattern& pattern, const FuseText& text, double threshold,
                       std::vector<std::uint8_t>& matchMask) const {
  // Without candidates the threshold never changes, every level's window lies inside the first
  // one, and the first level always runs: its window is exactly what the scan would visit.
  const std::int64_t n = text.size();
  const std::int64_t len = pattern.len();
  const std::int64_t mid = windowHalfWidth(len, 0, len + n, threshold);
  const std::int64_t start = std::max<std::int64_t>(1, location_ - mid + 1);
  const std::int64_t finish = std::min(location_ + mid, n) + len;
  for (std::int64_t j = start; j <= finish && j - 1 < n; ++j) {
    if (pattern.bitsOf(text.character(j - 1)) != 0) matchMask[j - 1] = 1;
  }
}

}  // namespace marbrel
