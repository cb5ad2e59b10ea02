#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/fuzzy/FusePattern.h"
#include "core/fuzzy/FuseResult.h"
#include "core/fuzzy/FuseText.h"

namespace marbrel {

// Approximate string matching (Bitap with error levels): whether a short query occurs in a text
// allowing for errors, how well (score 0 is perfect) and which characters took part.
//
// Positions count characters (extended grapheme clusters). A search changes nothing in the
// engine, so one engine may serve several threads at once.
//
// For speed, make the pattern once per query and prepare each text once (prepare() does the
// Unicode work), then search them as often as needed: the results equal those of the one-call
// search(query, text).
class Fuse {
 public:
  using Pattern = FusePattern;
  using PreparedText = FuseText;

  // The defaults are the history search's settings. `distance` is how far from `location` a match
  // may lie before its score reaches 1 (0: only at `location`); `threshold` is the worst score
  // accepted at the start of a search. `maxPatternLength` is kept but no search consults it.
  explicit Fuse(std::int64_t location = 0, std::int64_t distance = 100, double threshold = 0.7,
                std::int64_t maxPatternLength = 32, bool isCaseSensitive = false,
                bool tokenize = false);

  std::int64_t location() const { return location_; }
  std::int64_t distance() const { return distance_; }
  double threshold() const { return threshold_; }
  std::int64_t maxPatternLength() const { return maxPatternLength_; }
  bool isCaseSensitive() const { return isCaseSensitive_; }
  bool tokenize() const { return tokenize_; }

  // The pattern of `query` (lower-cased unless case-sensitive); nothing when it has no characters.
  std::optional<FusePattern> createPattern(std::string_view query) const;

  // `text` (UTF-8) in the form a search reads, lower-cased unless case-sensitive.
  FuseText prepare(std::string_view text) const;

  // The score and ranges of `pattern` in `text`; nothing when there is no pattern or no match.
  // A score above the threshold, even above 1, is still a result; only exactly 1 is none.
  // `pattern` and `text` must come from an engine with the same case sensitivity (else nothing).
  std::optional<FuseResult> search(const std::optional<FusePattern>& pattern,
                                   const FuseText& text) const;
  std::optional<FuseResult> search(const FusePattern& pattern, const FuseText& text) const;

  // The one-call form: makes the pattern of `query`, searches `text` and drops the pattern.
  std::optional<FuseResult> search(std::string_view query, std::string_view text) const;

  // The score alone, exactly that of search(pattern, text), without working out the ranges:
  // what a ranking needs, and much cheaper on long texts.
  std::optional<double> score(const FusePattern& pattern, const FuseText& text) const;

  // Whether searching `pattern` in the first `characters` characters of a longer text (prepared
  // alone, cut where FuseText::cutPoint allows) scores exactly as searching the whole text. With a
  // positive distance a search reads no character beyond location + threshold x distance + the
  // pattern's length: every error level's window is at most threshold x distance wide, an exact
  // occurrence further on cannot lower the working threshold, and a text longer than the pattern
  // never equals it. A pattern of more than 64 characters can only equal the text.
  bool prefixServes(std::int64_t characters, const FusePattern& pattern) const;
  bool prefixServes(std::int64_t characters, std::int64_t patternLength) const;

 private:
  bool compatible(const FusePattern& pattern, const FuseText& text) const;
  double coreScore(const FusePattern& pattern, const FuseText& text,
                   std::vector<FuseRange>* ranges) const;
  std::optional<FuseResult> searchWords(const FusePattern& pattern, const FuseText& text,
                                        bool wantRanges) const;

  std::int64_t location_;
  std::int64_t distance_;
  double threshold_;
  std::int64_t maxPatternLength_;
  bool isCaseSensitive_;
  bool tokenize_;
};

}  // namespace marbrel
