#include "ReferenceFuse.h"

#include <unicode/brkiter.h>
#include <unicode/locid.h>
#include <unicode/unistr.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>

namespace marbrel::testing {
namespace {

using Row = std::vector<long long>;

long long shiftLeft(long long value, long long by) {
  if (by >= 64) return 0;
  return static_cast<long long>(static_cast<unsigned long long>(value) << by);
}

long long at(const Row& row, long long k) {
  return k >= 0 && k < static_cast<long long>(row.size()) ? row[k] : 0;
}

struct Pattern {
  std::vector<std::string> chars;
  std::string text;
  long long len = 0;
  long long mask = 0;
  std::map<std::string, long long> alphabet;
};

std::optional<Pattern> makePattern(std::string_view query, bool lowerCase) {
  Pattern p;
  p.chars = referenceCharacters(query, lowerCase);
  if (p.chars.empty()) return std::nullopt;
  for (const auto& c : p.chars) p.text += c;
  p.len = static_cast<long long>(p.chars.size());
  p.mask = p.len > 64 ? 0 : shiftLeft(1, p.len - 1);
  for (long long i = 0; i < p.len; ++i) p.alphabet[p.chars[i]] |= shiftLeft(1, p.len - i - 1);
  return p;
}

struct Core {
  const ReferenceFuse& fuse;
  const Pattern& p;
  const std::vector<std::string>& t;
  long long n = static_cast<long long>(t.size());

  double score(long long e, long long x, long long loc) const {
    const double accuracy = static_cast<double>(e) / static_cast<double>(p.len);
    const long long proximity = std::llabs(x - loc);
    if (fuse.distance == 0) return proximity != 0 ? 1.0 : accuracy;
    return accuracy + static_cast<double>(proximity) / static_cast<double>(fuse.distance);
  }

  // Character by character: does the query's text start at character q and end on a boundary?
  std::optional<long long> find(std::optional<long long> from) const {
    if (!from || n < *from) return std::nullopt;
    for (long long q = std::max(*from, 0LL); q < n; ++q) {
      std::string joined;
      for (long long k = q; k < n && joined.size() < p.text.size(); ++k) joined += t[k];
      if (joined == p.text) return q;
    }
    return std::nullopt;
  }

  std::pair<double, std::vector<FuseRange>> run() const {
    std::string whole;
    for (const auto& c : t) whole += c;
    if (whole == p.text) return {0.0, {{0, n - 1}}};

    double thr = fuse.threshold;
    std::vector<int> m(static_cast<std::size_t>(n), 0);
    const auto b = find(fuse.location);
    for (auto o = find(b); o; ) {
      thr = std::min(thr, score(0, *o, fuse.location));
      const auto next = find(*o + p.len);
      for (long long k = *o; k < std::min(*o + p.len, n); ++k) m[k] = 1;
      o = next;
    }

    double result = 1.0;
    long long hi = p.len + n;
    Row prev;
    for (long long i = 0; i < p.len; ++i) {
      long long lo = 0, mid = hi;
      while (lo < mid) {
        if (score(i, fuse.location, fuse.location + mid) <= thr) lo = mid; else hi = mid;
        mid = (hi - lo) / 2 + lo;
      }
      hi = mid;
      long long start = std::max(1LL, fuse.location - mid + 1);
      const long long finish = std::min(fuse.location + mid, n) + p.len;
      if (start > finish) continue;
      Row row(static_cast<std::size_t>(finish + 2), 0);
      row[finish + 1] = static_cast<long long>(static_cast<unsigned long long>(shiftLeft(1, i)) - 1);
      for (long long j = finish; j >= start; --j) {
        const long long cand = j - 1;
        long long bits = 0;
        if (cand < n) {
          const auto it = p.alphabet.find(t[cand]);
          if (it != p.alphabet.end()) bits = it->second;
        }
        if (bits != 0) m[cand] = 1;
        row[j] = (shiftLeft(row[j + 1], 1) | 1) & bits;
        if (i > 0) row[j] |= shiftLeft(at(prev, j + 1) | at(prev, j), 1) | 1 | at(prev, j + 1);
        if ((row[j] & p.mask) != 0) {
          result = score(i, cand, fuse.location);
          if (result <= thr) {
            thr = result;
            if (cand > fuse.location) start = std::max(1LL, 2 * fuse.location - cand);
            else break;
          }
        }
      }
      if (score(i + 1, fuse.location, fuse.location) > thr) break;
      prev = row;
    }

    std::vector<FuseRange> ranges;
    for (long long k = 0; k < n; ++k) {
      if (m[k] == 1 && (k == 0 || m[k - 1] == 0)) ranges.push_back({k, k});
      if (m[k] == 1) ranges.back().upper = k;
    }
    return {result, ranges};
  }
};

}  // namespace

std::vector<std::string> referenceCharacters(std::string_view text, bool lowerCase) {
  icu::UnicodeString s = icu::UnicodeString::fromUTF8(icu::StringPiece(text.data(), static_cast<int32_t>(text.size())));
  if (lowerCase) s.toLower(icu::Locale::getRoot());
  UErrorCode status = U_ZERO_ERROR;
  std::unique_ptr<icu::BreakIterator> it(icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
  it->setText(s);
  std::vector<std::string> chars;
  for (int32_t a = it->first(), b = it->next(); b != icu::BreakIterator::DONE; a = b, b = it->next()) {
    std::string c;
    s.tempSubStringBetween(a, b).toUTF8String(c);
    chars.push_back(c);
  }
  return chars;
}

std::optional<FuseResult> ReferenceFuse::search(std::string_view query, std::string_view text) const {
  const auto pattern = makePattern(query, !isCaseSensitive);
  if (!pattern) return std::nullopt;
  const auto chars = referenceCharacters(text, !isCaseSensitive);
  auto [score, ranges] = Core{*this, *pattern, chars}.run();
  if (!tokenize) {
    if (score == 1.0) return std::nullopt;
    return FuseResult{score, ranges};
  }
  std::size_t words = 0;
  std::size_t begin = 0;
  while (begin <= pattern->text.size()) {
    const std::size_t end = std::min(pattern->text.find(' ', begin), pattern->text.size());
    if (end > begin) {
      const auto word = makePattern(pattern->text.substr(begin, end - begin), !isCaseSensitive);
      auto [wordScore, wordRanges] = Core{*this, *word, chars}.run();
      score += wordScore;
      ranges.insert(ranges.end(), wordRanges.begin(), wordRanges.end());
      ++words;
    }
    begin = end + 1;
  }
  const double mean = score / static_cast<double>(words + 1);
  if (mean == 1.0) return std::nullopt;
  std::sort(ranges.begin(), ranges.end(), [](const FuseRange& a, const FuseRange& b) {
    return a.lower != b.lower ? a.lower < b.lower : a.upper < b.upper;
  });
  ranges.erase(std::unique(ranges.begin(), ranges.end()), ranges.end());
  return FuseResult{mean, ranges};
}

}  // namespace marbrel::testing
