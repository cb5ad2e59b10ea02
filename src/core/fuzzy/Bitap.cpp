#include "core/fuzzy/Bitap.h"

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <cstring>

namespace marbrel {
namespace {

// Two rows of the current and the previous error level, reused from search to search so that
// the scan allocates nothing in the common case.
struct Rows {
  std::vector<std::uint64_t> current;
  std::vector<std::uint64_t> previous;

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

// Walks the characters of a text from one towards the start, one character per step, reading
// the text's boundary bits one word at a time.
class BackwardCursor {
 public:
  // Positioned on character k, 0 <= k < text.size().
  BackwardCursor(const FuseText& text, std::int64_t k)
      : words_(text.boundaryBits()), end_(text.byteOffset(k + 1)), begin_(text.previousStart(end_)) {
    word_ = begin_ / 64;
    pending_ = words_[word_] & ((std::uint64_t{1} << (begin_ % 64)) - 1);
  }

  std::size_t begin() const { return begin_; }
  std::size_t size() const { return end_ - begin_; }

  // To the character before; there must be one.
  void back() {
    end_ = begin_;
    while (pending_ == 0) pending_ = words_[--word_];
    const int bit = 63 - std::countl_zero(pending_);
    begin_ = word_ * 64 + static_cast<std::size_t>(bit);
    pending_ ^= std::uint64_t{1} << bit;
  }

 private:
  const std::uint64_t* words_;
  std::size_t end_;
  std::size_t begin_;
  std::size_t word_ = 0;
  std::uint64_t pending_ = 0;  // boundary bits of the current word below begin_
};

// The last byte `c` in [begin, end), or nullptr; a few bytes are read directly.
const char* lastOf(const char* begin, const char* end, char c) {
  if (end - begin > 8) return static_cast<const char*>(memrchr(begin, c, static_cast<std::size_t>(end - begin)));
  for (const char* at = end; at != begin;) {
    if (*--at == c) return at;
  }
  return nullptr;
}

}  // namespace

double Bitap::score(std::int64_t len, std::int64_t errors, std::int64_t x, std::int64_t loc) const {
  const double accuracy = static_cast<double>(errors) / static_cast<double>(len);
  const std::int64_t proximity = std::llabs(x - loc);
  if (distance_ == 0) return proximity != 0 ? 1.0 : accuracy;
  return accuracy + static_cast<double>(proximity) / static_cast<double>(distance_);
}

std::int64_t Bitap::windowHalfWidth(std::int64_t len, std::int64_t errors, std::int64_t hi,
                                    double threshold) const {
  // The widest offset from `location`, at most `hi`, at which `errors` errors still score within
  // the threshold: 0 when none does. With a distance of 0 or more the score grows with the offset,
  // so the widest one is the single place where an offset fits and the next does not. It is found
  // by walking from an estimate, which is at most a step or two off, checked with the score's own
  // formula; a binary search serves where the estimate is out of range.
  if (distance_ > 0) {
    const double accuracy = static_cast<double>(errors) / static_cast<double>(len);
    const double distance = static_cast<double>(distance_);
    // score(len, errors, location, location + offset), written out for an offset of 0 or more.
    const auto fits = [&](std::int64_t offset) {
      return accuracy + static_cast<double>(offset) / distance <= threshold;
    };
    if (fits(hi)) return hi;
    if (!fits(0)) return 0;
    const double estimate = (threshold - accuracy) * distance;
    if (estimate >= 0 && estimate < static_cast<double>(hi)) {
      // Here fits(0) holds and fits(hi) does not, so the walk stays inside [0, hi).
      auto offset = static_cast<std::int64_t>(estimate);
      for (int step = 0; step < 8; ++step) {
        if (!fits(offset)) {
          --offset;
        } else if (fits(offset + 1)) {
          ++offset;
        } else {
          return offset;
        }
      }
    }
  }
  const auto fits = [&](std::int64_t offset) {
    return score(len, errors, location_, location_ + offset) <= threshold;
  };
  if (distance_ >= 0) {
    if (fits(hi)) return hi;
    if (!fits(0)) return 0;
    if (distance_ == 0) return 0;  // every offset but 0 scores 1, which does not fit
  }
  std::int64_t lo = 0;
  std::int64_t mid = hi;
  while (lo < mid) {
    if (fits(mid)) {
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
  // so the first one scores best; the rest only matter for the mask. One that starts beyond the
  // widest window (offset scored by the same formula) scores above the threshold and changes
  // nothing, so without a mask the search stops there: a long text is not read to its end.
  double threshold = threshold_;
  std::optional<std::int64_t> lastStart;
  Known known;
  if (!matchMask) {
    known.widest = windowHalfWidth(len, 0, len + n, threshold_);
    lastStart = location_ + known.widest;
  }
  auto occurrence = text.find(pattern.text(), location_, lastStart);
  if (occurrence) threshold = std::min(threshold, score(len, 0, occurrence->begin, location_));
  if (lastStart) {
    known.clearFrom = location_;
    known.clearTo = occurrence ? occurrence->begin - 1 : *lastStart;
  }
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

  // Expected at the start, with no error level able to score within the threshold (a short query),
  // only exact occurrences count and the first one scores best: the one just found, else none.
  // The scan would visit it alone, so its score is the answer.
  if (!matchMask && location_ == 0 && distance_ > 0 && score(len, 1, location_, location_) > threshold_) {
    return occurrence ? score(len, 0, occurrence->begin, location_) : 1.0;
  }

  const bool single = text.singleByteCharacters();
  if (matchMask) {
    return single ? scan<true, true>(pattern, text, threshold, Known{}, matchMask)
                  : scan<false, true>(pattern, text, threshold, Known{}, matchMask);
  }
  return single ? scan<true, false>(pattern, text, threshold, known, nullptr)
                : scan<false, false>(pattern, text, threshold, known, nullptr);
}

template <bool kSingleByte, bool kMark>
double Bitap::scan(const FusePattern& pattern, const FuseText& text, double threshold, const Known& known,
                   std::vector<std::uint8_t>* matchMask) const {
  const std::int64_t n = text.size();
  const std::int64_t len = pattern.len();
  // In a text of one-byte characters, without a mask to fill, the error-free level is visited by
  // its candidates alone, and its rows are made afterwards only where the next level reads them.
  constexpr bool kByOccurrences = kSingleByte && !kMark;
  std::int64_t firstVisited = 0;  // the lowest position the error-free level visited
  std::int64_t firstFinish = 0;   // and the end of its window
  Rows* rows = nullptr;           // taken once a level needs rows

  Level level;
  level.threshold = threshold;
  std::int64_t hi = len + n;
  for (std::int64_t errors = 0; errors < len; ++errors) {
    const bool widest = errors == 0 && known.widest >= 0 && level.threshold == threshold_;
    const std::int64_t mid = widest ? known.widest : windowHalfWidth(len, errors, hi, level.threshold);
    hi = mid;
    level.errors = errors;
    level.start = std::max<std::int64_t>(1, location_ - mid + 1);
    level.finish = std::min(location_ + mid, n) + len;
    // Windows only shrink from level to level, so once one is empty all later ones are too.
    if (level.start > level.finish) break;

    if constexpr (kByOccurrences) {
      if (errors == 0) {
        firstVisited = exactLevel(pattern, text, known, level);
        firstFinish = level.finish;
        if (score(len, 1, location_, location_) > level.threshold) break;
        continue;
      }
    }
    if (rows == nullptr) rows = &threadRows();
    std::vector<std::uint64_t>& row = rows->current;
    std::vector<std::uint64_t>& previous = rows->previous;
    if constexpr (kByOccurrences) {
      if (errors == 1) firstRows(pattern, text, level, firstVisited, firstFinish, previous);
    }
    row.assign(static_cast<std::size_t>(level.finish + 2), 0);
    row[level.finish + 1] = errors >= 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << errors) - 1;
    if (errors == 0) {
      scanLevel<kSingleByte, kMark, true>(pattern, text, level, row.data(), nullptr, matchMask);
    } else {
      scanLevel<kSingleByte, kMark, false>(pattern, text, level, row.data(), previous.data(), matchMask);
    }
    // No further error level can beat the accepted score.
    if (score(len, errors + 1, location_, location_) > level.threshold) break;
    row.swap(previous);
  }
  if (rows) rows->trim();
  return level.result;
}

template <bool kSingleByte, bool kMark, bool kFirstLevel>
void Bitap::scanLevel(const FusePattern& pattern, const FuseText& text, Level& level,
                      std::uint64_t* row, const std::uint64_t* previous,
                      std::vector<std::uint8_t>* matchMask) const {
  const std::int64_t n = text.size();
  const std::int64_t len = pattern.len();
  const std::uint64_t mask = pattern.mask();
  // The neighbours to the right, row[j + 1] and previous[j + 1], ride along in registers.
  std::uint64_t next = row[level.finish + 1];
  std::uint64_t previousNext = kFirstLevel ? 0 : previous[level.finish + 1];

  // One position j (candidate j - 1) whose character has `bits`; false when the scan stops.
  const auto step = [&](std::int64_t j, std::uint64_t bits) -> bool {
    std::uint64_t value = ((next << 1) | 1) & bits;
    if constexpr (!kFirstLevel) {
      const std::uint64_t previousHere = previous[j];
      value |= ((previousNext | previousHere) << 1) | 1 | previousNext;
      previousNext = previousHere;
    }
    row[j] = value;
    next = value;
    if ((value & mask) == 0) return true;
    // A match with at most `errors` errors starts at the candidate. Its score is what the
    // search reports, accepted or not.
    const std::int64_t candidate = j - 1;
    level.result = score(len, level.errors, candidate, location_);
    if (level.result > level.threshold) return true;
    level.threshold = level.result;
    if (candidate <= location_) return false;
    level.start = std::max<std::int64_t>(1, 2 * location_ - candidate);
    return true;
  };
  const auto mark = [&](std::int64_t candidate, std::uint64_t bits) {
    if constexpr (kMark) {
      if (bits != 0) (*matchMask)[candidate] = 1;
    }
  };

  std::int64_t j = level.finish;
  // Positions past the end of the text hold no character.
  for (; j > n && j >= level.start; --j) {
    if (!step(j, 0)) return;
  }
  if (j < level.start) return;

  const auto* bytes = reinterpret_cast<const unsigned char*>(text.text().data());
  if constexpr (!kSingleByte) {
    // Character j - 1 and those before it, down to where every character is one byte.
    const std::int64_t prefix = text.singleBytePrefix();
    if (j - 1 >= prefix) {
      const bool multiByteQuery = pattern.hasMultiByteCharacters();
      BackwardCursor cursor(text, j - 1);
      for (;;) {
        const std::size_t size = cursor.size();
        std::uint64_t bits = 0;
        if (size == 1) {
          bits = pattern.bitsOfByte(bytes[cursor.begin()]);
        } else if (multiByteQuery) {
          bits = pattern.bitsOf(std::string_view(reinterpret_cast<const char*>(bytes) + cursor.begin(), size));
        }
        mark(j - 1, bits);
        if (!step(j, bits)) return;
        if (--j < level.start) return;
        if (j - 1 < prefix) break;
        cursor.back();
      }
    }
  }
  // Character j - 1 is byte j - 1 from here on.
  for (; j >= level.start; --j) {
    const std::uint64_t bits = pattern.bitsOfByte(bytes[j - 1]);
    mark(j - 1, bits);
    if (!step(j, bits)) return;
  }
}

std::int64_t Bitap::exactLevel(const FusePattern& pattern, const FuseText& text, const Known& known,
                               Level& level) const {
  // At the error-free level a candidate is an occurrence of the query that lies wholly within
  // the text and ends by the window's `finish`; in a text of one-byte characters that is an
  // occurrence of the query's bytes. The scan meets candidates from the right, so they are
  // looked up from the right, without stepping over the characters between them, nor over the
  // stretch that the search for exact occurrences found empty.
  const std::string_view needle = pattern.text();
  const std::int64_t len = pattern.len();
  // A query holding a character longer than a byte occurs nowhere in such a text.
  if (static_cast<std::int64_t>(needle.size()) != len) return level.start;
  const char* bytes = text.text().data();
  std::int64_t last = std::min(level.finish, text.size()) - len;
  while (last >= level.start - 1) {
    std::int64_t first = level.start - 1;
    if (last >= known.clearFrom && last <= known.clearTo) {
      last = known.clearFrom - 1;
      continue;
    }
    if (last > known.clearTo && first <= known.clearTo && known.clearFrom <= known.clearTo) first = known.clearTo + 1;
    const char* hit = lastOf(bytes + first, bytes + last + 1, needle[0]);
    if (hit == nullptr) {
      last = first - 1;
      continue;
    }
    const std::int64_t candidate = hit - bytes;
    if (len == 1 || std::memcmp(bytes + candidate + 1, needle.data() + 1, static_cast<std::size_t>(len - 1)) == 0) {
      // As the scan does: the score is reported whether accepted or not.
      level.result = score(len, 0, candidate, location_);
      if (level.result <= level.threshold) {
        level.threshold = level.result;
        if (candidate <= location_) return candidate + 1;
        level.start = std::max<std::int64_t>(1, 2 * location_ - candidate);
      }
    }
    last = candidate - 1;
  }
  return level.start;
}

void Bitap::firstRows(const FusePattern& pattern, const FuseText& text, const Level& next,
                      std::int64_t visited, std::int64_t finish, std::vector<std::uint64_t>& rows) const {
  // The level with one error reads the error-free level's rows from its start to next.finish + 1;
  // they are 0 below where that level's scan stopped. Its start may yet move down, to
  // 2 x location - candidate for a candidate accepted beyond the location, so no lower than
  // for the last candidate its window holds. A row holds the query's endings that the text
  // matches from that position on, so it depends on the next len characters alone (and on the
  // window's end): made from len positions further on, starting from nothing, the rows come out
  // as the full scan makes them.
  const std::int64_t n = text.size();
  const std::int64_t len = pattern.len();
  const std::int64_t top = std::min(finish, next.finish + len);
  const std::int64_t lowest = std::min(next.start, std::max<std::int64_t>(1, 2 * location_ - (next.finish - 1)));
  const std::int64_t low = std::max(lowest, visited);
  rows.assign(static_cast<std::size_t>(next.finish + 2), 0);
  const auto* bytes = reinterpret_cast<const unsigned char*>(text.text().data());
  std::uint64_t value = 0;
  std::int64_t j = top;
  for (; j > n && j >= low; --j) value = 0;  // positions past the end hold no character
  for (; j > next.finish + 1 && j >= low; --j) value = ((value << 1) | 1) & pattern.bitsOfByte(bytes[j - 1]);
  for (; j >= low; --j) {
    value = ((value << 1) | 1) & pattern.bitsOfByte(bytes[j - 1]);
    rows[static_cast<std::size_t>(j)] = value;
  }
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
