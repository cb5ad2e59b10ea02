#include "core/fuzzy/Fuse.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "core/fuzzy/Bitap.h"

namespace marbrel {
namespace {

// The runs of 1 in a match mask (every entry 0 or 1), ascending, as closed ranges. memchr finds
// the edges of each run: a long text's mask is mostly long runs of 0.
std::vector<FuseRange> rangesOf(const std::vector<std::uint8_t>& matchMask) {
  std::vector<FuseRange> ranges;
  const std::uint8_t* const begin = matchMask.data();
  const std::uint8_t* const end = begin + matchMask.size();
  for (const std::uint8_t* at = begin; at < end;) {
    const auto* first = static_cast<const std::uint8_t*>(std::memchr(at, 1, static_cast<std::size_t>(end - at)));
    if (first == nullptr) break;
    const auto* after = static_cast<const std::uint8_t*>(std::memchr(first, 0, static_cast<std::size_t>(end - first)));
    if (after == nullptr) after = end;
    ranges.push_back({first - begin, after - begin - 1});
    at = after;
  }
  return ranges;
}

// The words of a query: its pieces between spaces (U+0020), empty pieces dropped.
std::vector<std::string_view> wordsOf(std::string_view text) {
  std::vector<std::string_view> words;
  std::size_t begin = 0;
  while (begin <= text.size()) {
    const std::size_t end = std::min(text.find(' ', begin), text.size());
    if (end > begin) words.push_back(text.substr(begin, end - begin));
    begin = end + 1;
  }
  return words;
}

}  // namespace

Fuse::Fuse(std::int64_t location, std::int64_t distance, double threshold,
           std::int64_t maxPatternLength, bool isCaseSensitive, bool tokenize)
    : location_(location),
      distance_(distance),
      threshold_(threshold),
      maxPatternLength_(maxPatternLength),
      isCaseSensitive_(isCaseSensitive),
      tokenize_(tokenize) {}

std::optional<FusePattern> Fuse::createPattern(std::string_view query) const {
  return FusePattern::make(query, !isCaseSensitive_);
}

FuseText Fuse::prepare(std::string_view text) const {
  return FuseText::prepare(text, !isCaseSensitive_);
}

bool Fuse::compatible(const FusePattern& pattern, const FuseText& text) const {
  return pattern.lowerCased() == !isCaseSensitive_ && text.lowerCased() == !isCaseSensitive_;
}

double Fuse::coreScore(const FusePattern& pattern, const FuseText& text,
                       std::vector<FuseRange>* ranges) const {
  const Bitap bitap(location_, distance_, threshold_);
  if (ranges == nullptr) return bitap.run(pattern, text, nullptr);
  std::vector<std::uint8_t> matchMask;
  const double score = bitap.run(pattern, text, &matchMask);
  *ranges = rangesOf(matchMask);
  return score;
}

std::optional<FuseResult> Fuse::search(const std::optional<FusePattern>& pattern,
                                       const FuseText& text) const {
  if (!pattern) return std::nullopt;
  return search(*pattern, text);
}

std::optional<FuseResult> Fuse::search(const FusePattern& pattern, const FuseText& text) const {
  if (!compatible(pattern, text)) return std::nullopt;
  if (tokenize_) return searchWords(pattern, text, true);
  FuseResult result;
  result.score = coreScore(pattern, text, &result.ranges);
  if (result.score == 1.0) return std::nullopt;
  return result;
}

std::optional<FuseResult> Fuse::search(std::string_view query, std::string_view text) const {
  const auto pattern = createPattern(query);
  if (!pattern) return std::nullopt;
  return search(*pattern, prepare(text));
}

std::optional<double> Fuse::score(const FusePattern& pattern, const FuseText& text) const {
  if (!compatible(pattern, text)) return std::nullopt;
  if (tokenize_) {
    const auto result = searchWords(pattern, text, false);
    if (!result) return std::nullopt;
    return result->score;
  }
  const double score = coreScore(pattern, text, nullptr);
  if (score == 1.0) return std::nullopt;
  return score;
}

std::optional<FuseResult> Fuse::searchWords(const FusePattern& pattern, const FuseText& text,
                                            bool wantRanges) const {
  // The mean of the scores of the whole query and of each of its words.
  std::vector<FuseRange> all;
  std::vector<FuseRange> ranges;
  double total = coreScore(pattern, text, wantRanges ? &all : nullptr);
  std::size_t words = 0;
  for (const std::string_view word : wordsOf(pattern.text())) {
    const auto wordPattern = FusePattern::make(word, pattern.lowerCased());
    if (!wordPattern) continue;
    ++words;
    total += coreScore(*wordPattern, text, wantRanges ? &ranges : nullptr);
    all.insert(all.end(), ranges.begin(), ranges.end());
  }
  const double mean = total / static_cast<double>(words + 1);
  if (mean == 1.0) return std::nullopt;

  FuseResult result{mean, std::move(all)};
  std::sort(result.ranges.begin(), result.ranges.end(), [](const FuseRange& a, const FuseRange& b) {
    return a.lower != b.lower ? a.lower < b.lower : a.upper < b.upper;
  });
  result.ranges.erase(std::unique(result.ranges.begin(), result.ranges.end()), result.ranges.end());
  return result;
}

bool Fuse::prefixServes(std::int64_t characters, std::int64_t patternLength) const {
  const bool bounded = distance_ > 0 && location_ >= 0 && !tokenize_ && threshold_ >= 0 && threshold_ < 1e6;
  if (!bounded || patternLength < 1) return false;
  if (patternLength > 64) return characters > patternLength;
  const double reach = static_cast<double>(location_) + std::ceil(threshold_ * static_cast<double>(distance_)) +
                       static_cast<double>(patternLength) + 2;
  return static_cast<double>(characters) > reach;
}

bool Fuse::prefixServes(std::int64_t characters, const FusePattern& pattern) const {
  return prefixServes(characters, pattern.len());
}

}  // namespace marbrel
