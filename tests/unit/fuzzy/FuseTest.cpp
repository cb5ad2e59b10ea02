#include <memory>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <unicode/brkiter.h>
#include <unicode/unistr.h>

#include "core/fuzzy/Fuse.h"
#include "core/fuzzy/GraphemeBoundaries.h"

namespace marbrel {
namespace {

// Code points of every kind the segmentation rules treat specially, and plain ones around them.
const std::vector<std::string> kCodePoints = {
    "a", " ", "\r", "\n", "\t", "\x7F",                    // ASCII, controls
    "\xC3\xA9", "\xD0\x96", "\xE4\xB8\xAD", "\xF0\x9D\x90\x80",  // letters of 2, 3, 4 bytes
    "\xCC\x81", "\xE2\x80\x8D", "\xEF\xB8\x8F",           // combining acute, ZWJ, variation selector
    "\xE0\xA4\x95", "\xE0\xA5\x8D", "\xE0\xA4\xB7", "\xE0\xA4\xBE",  // Devanagari ka, virama, ssa, sign aa
    "\xE0\xB8\x81", "\xE0\xB8\xB3",                       // Thai ko kai, sara am (SpacingMark)
    "\xD8\x80", "\xE0\xA5\x8E",                           // Prepend
    "\xE1\x84\x80", "\xE1\x85\xA1", "\xE1\x86\xA8", "\xEA\xB0\x80", "\xEA\xB0\x81",  // Hangul L V T LV LVT
    "\xF0\x9F\x87\xAB", "\xF0\x9F\x87\xB7",               // regional indicators
    "\xF0\x9F\x91\xA9", "\xF0\x9F\x92\xBB", "\xC2\xA9", "\xE2\x9D\xA4",  // pictographs
    "\xF0\x9F\x8F\xBD",                                   // skin tone modifier (Extend)
    "\xE2\x80\x8B", "\xEF\xBB\xBF"};                      // zero width space, BOM (Control)

std::vector<std::string> clustersOf(const std::string& text) {
  const auto bits = GraphemeBoundaries::of(text);
  std::vector<std::string> clusters;
  std::size_t begin = 0;
  for (std::size_t offset = 1; offset <= text.size(); ++offset) {
    if ((bits[offset / 64] >> (offset % 64)) & 1) {
      clusters.push_back(text.substr(begin, offset - begin));
      begin = offset;
    }
  }
  return clusters;
}

// The same clusters as ICU's character break iterator reads them.
std::vector<std::string> icuClustersOf(const std::string& text) {
  const icu::UnicodeString unicode = icu::UnicodeString::fromUTF8(text);
  UErrorCode status = U_ZERO_ERROR;
  std::unique_ptr<icu::BreakIterator> it(icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
  it->setText(unicode);
  std::vector<std::string> clusters;
  for (int32_t a = it->first(), b = it->next(); b != icu::BreakIterator::DONE; a = b, b = it->next()) {
    clusters.emplace_back();
    unicode.tempSubStringBetween(a, b).toUTF8String(clusters.back());
  }
  return clusters;
}

TEST(GraphemeBoundaries, AgreesWithIcuOnEveryKindOfCodePoint) {
  std::mt19937 rng(5);
  for (int i = 0; i < 1500 && !::testing::Test::HasFailure(); ++i) {
    std::string text;
    const int count = static_cast<int>(rng() % 120);
    // Some texts hold long plain runs so that separate stretches are read apart.
    const bool sparse = rng() % 3 == 0;
    for (int k = 0; k < count; ++k) {
      if (sparse && rng() % 10 != 0) {
        text += std::string(1 + rng() % 30, 'x');
      } else {
        text += kCodePoints[rng() % kCodePoints.size()];
      }
    }
    SCOPED_TRACE(text);
    EXPECT_EQ(clustersOf(text), icuClustersOf(text));
  }
}

constexpr double kTolerance = 1e-12;
constexpr double kAnyScore = -1;  // a row that checks the ranges alone
using Ranges = std::vector<FuseRange>;

const Fuse kHistoryFuse;
const Fuse kCaseSensitive(0, 100, 0.7, 32, true, false);
const Fuse kWords(0, 100, 0.7, 32, false, true);
const Fuse kFarAndLoose(5, 1, 2.0, 32, false, false);
const Fuse kOnlyInPlace(0, 0, 0.7, 32, false, false);

const std::string kAcute = "\xCC\x81";                                                  // U+0301
const std::string kWomanTechnologist = "\xF0\x9F\x91\xA9\xE2\x80\x8D\xF0\x9F\x92\xBB";  // ZWJ sequence
const std::string kFrance = "\xF0\x9F\x87\xAB\xF0\x9F\x87\xB7";  // two regional indicators

struct WorkedValue { const Fuse& fuse; std::string query; std::string text; std::optional<double> score;
                     std::optional<Ranges> ranges = std::nullopt; const char* why = ""; };

// Scores and ranges worked out by hand from the matching rules, one row per way through them.
TEST(Fuse, WorkedValuesHold) {
  const std::vector<WorkedValue> rows = {
      {kHistoryFuse, "abc", "abc", 0.0, Ranges{{0, 2}}},
      {kHistoryFuse, "abd", "xxabcxx", 1.0 / 3.0 + 2.0 / 100.0, Ranges{{2, 3}}},
      {kHistoryFuse, "", "anything", std::nullopt, {}, "an empty query matches nothing"},
      {kCaseSensitive, "Hello", "hello world", 0.2, {}, "one substituted letter at 0"},
      {kHistoryFuse, "abc", std::string(70, '-') + "abc", 0.7},
      {kHistoryFuse, "abc", std::string(71, '-') + "abc", std::nullopt, {}, "one character further is out of reach"},
      {kHistoryFuse, "\xEF\xBF\xBD" "b", "a\xFF" "b", 0.01, Ranges{{1, 2}}, "an ill-formed byte reads as U+FFFD"},
      {kHistoryFuse, "abc", "axc", 1.0 / 3.0, Ranges{{0, 0}, {2, 2}}, "one substitution at the start"},
      {kHistoryFuse, "\xC3\xA9" "a", "x\xC3\xA9" "b", 0.51, Ranges{{1, 1}}, "a multi-byte query with one error"},
      {kHistoryFuse, std::string(63, 'a') + "b", std::string(64, 'a'), 1.0 / 64, Ranges{{0, 63}},
       "a query of 64 characters ends on the row's top bit"},
      {kHistoryFuse, std::string(65, 'q'), std::string(65, 'Q'), 0.0, Ranges{{0, 64}}},
      {kHistoryFuse, std::string(65, 'q'), "x" + std::string(65, 'q'), std::nullopt, {},
       "past 64 characters only equality matches"},
      {kOnlyInPlace, "abc", "xabc", 2.0 / 3.0, Ranges{{1, 3}}, "distance 0: only a match at the location counts"},
      {kHistoryFuse, "ab", "bxxab", kAnyScore, Ranges{{0, 0}, {3, 4}}, "ranges: every scanned character of the query"},
      {kWords, "ab cd", "zz ab cd", (0.03 + 0.03 + 0.06) / 3, Ranges{{2, 7}, {3, 4}, {6, 7}},
       "the mean of the whole query and each word, and the ranges of all of them"},
      // Positions count grapheme clusters, not bytes or code points.
      {kHistoryFuse, "abc", "e" + kAcute + "e" + kAcute + kWomanTechnologist + kFrance + "abc", 0.04, Ranges{{4, 6}}},
      {kHistoryFuse, "b", "a\r\nb", 0.02, Ranges{{2, 2}}, "CR LF is one character"},
      // At one error, candidate 6 (1.5) moves the start from 5 down to 2 x 5 - 6 = 4, where
      // candidate 3 scores 2.5: the last candidate's score is the result.
      {kFarAndLoose, "ce", "xxxe xxe", 2.5, Ranges{{3, 3}, {7, 7}}, "an accepted candidate widens the window"},
      // Lower-casing is Unicode's full default mapping, with no language's rules.
      {kHistoryFuse, "STRA\xE1\xBA\x9E" "E", "stra\xC3\x9F" "e", 0.0, {}, "capital sharp s is \xC3\x9F"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.query + " in " + row.text + " " + row.why);
    const auto result = row.fuse.search(row.query, row.text);
    // The score alone, without the ranges, takes its own way through the engine.
    const auto pattern = row.fuse.createPattern(row.query);
    const auto score = pattern ? row.fuse.score(*pattern, row.fuse.prepare(row.text)) : std::nullopt;
    ASSERT_EQ(result.has_value(), row.score.has_value());
    ASSERT_EQ(score.has_value(), row.score.has_value());
    if (!result) continue;
    if (*row.score != kAnyScore) {
      EXPECT_NEAR(result->score, *row.score, kTolerance);
      EXPECT_NEAR(*score, *row.score, kTolerance);
    }
    if (row.ranges) { EXPECT_EQ(result->ranges, *row.ranges); }
  }
}

TEST(Fuse, LongTextKeepsOccurrencesFarAwayInItsRanges) {
  std::string text(1 << 20, 'x');
  text.replace(text.size() - 5, 5, "QUERY");
  EXPECT_FALSE(kHistoryFuse.search("query", text));  // 1,048,571 characters away: out of reach
  text.replace(10, 5, "query");
  const auto found = kHistoryFuse.search("query", text);
  EXPECT_NEAR(found.value().score, 0.1, kTolerance);
  const std::int64_t n = static_cast<std::int64_t>(text.size());
  EXPECT_EQ(found->ranges, (Ranges{{10, 14}, {n - 5, n - 1}}));
  EXPECT_NEAR(*kHistoryFuse.score(*kHistoryFuse.createPattern("query"), kHistoryFuse.prepare(text)), 0.1, kTolerance);
}

}  // namespace
}  // namespace marbrel
