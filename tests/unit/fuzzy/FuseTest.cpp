#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ReferenceFuse.h"
#include "core/fuzzy/Fuse.h"
#include "core/fuzzy/GraphemeBoundaries.h"

namespace marbrel {
namespace {

using testing::ReferenceFuse;

// Pieces texts are built from: plain and upper-case letters, spaces, CR LF, combining marks,
// precomposed letters, letters whose lower case differs in length, emoji sequences and flags, and
// ill-formed UTF-8 (stray, cut short and overlong), which reads as replacement characters.
const std::vector<std::string> kPieces = {
    "a", "b", "c", "A", "B", " ", "-", "\r\n", "\r", "\n", "e\xCC\x81", "\xC3\xA9",
    "\xC3\x9F", "\xE1\xBA\x9E", "\xC4\xB0", "i", "\xCE\xA3", "\xCF\x83",
    "\xF0\x9F\x91\xA9\xE2\x80\x8D\xF0\x9F\x92\xBB", "\xF0\x9F\x91\xA9",
    "\xF0\x9F\x87\xAB\xF0\x9F\x87\xB7", "\xF0\x9F\x87\xAB", "\xCC\x81", "\xE4\xB8\xAD",
    "\xFF", "\x80", "\xC3", "\xE4\xB8", "\xF0\x9F\x91", "\xC0\xAF"};

std::string randomText(std::mt19937& rng, int maxPieces, bool asciiOnly) {
  std::string text;
  const int count = static_cast<int>(rng() % (maxPieces + 1));
  for (int i = 0; i < count; ++i) {
    text += asciiOnly ? kPieces[rng() % 8] : kPieces[rng() % kPieces.size()];
  }
  return text;
}

// A query taken from the text (so that it often matches), sometimes changed, or a fresh one.
std::string randomQuery(std::mt19937& rng, const std::string& text, bool asciiOnly) {
  if (text.empty() || rng() % 4 == 0) {
    std::string query = randomText(rng, 6, asciiOnly);
    return query.empty() ? "a" : query;
  }
  const std::size_t begin = rng() % text.size();
  std::string query = text.substr(begin, 1 + rng() % 8);
  if (rng() % 3 == 0) query[rng() % query.size()] = 'z';
  if (rng() % 4 == 0) query = "c" + query;
  return query;
}

struct Settings { long long location; long long distance; double threshold; bool isCaseSensitive; bool tokenize; };

Settings randomSettings(std::mt19937& rng) {
  if (rng() % 3 == 0) return {0, 100, 0.7, false, false};
  const long long distances[] = {0, 1, 10, 100, 1000};
  const double thresholds[] = {0.0, 0.1, 0.35, 0.6, 0.7, 1.0, 2.0};
  return {static_cast<long long>(rng() % 40), distances[rng() % 5], thresholds[rng() % 7],
          rng() % 4 == 0, rng() % 4 == 0};
}

// Returns whether the query matched, so that a test can make sure it exercised matches.
bool expectAgreement(const Settings& s, const std::string& query, const std::string& text) {
  SCOPED_TRACE("query '" + query + "' text '" + text + "' location " + std::to_string(s.location) +
               " distance " + std::to_string(s.distance) + " threshold " +
               std::to_string(s.threshold) + (s.isCaseSensitive ? " case-sensitive" : "") +
               (s.tokenize ? " tokenized" : ""));
  const ReferenceFuse reference{s.location, s.distance, s.threshold, s.isCaseSensitive, s.tokenize};
  const Fuse fuse(s.location, s.distance, s.threshold, 32, s.isCaseSensitive, s.tokenize);

  const auto expected = reference.search(query, text);
  const auto raw = fuse.search(query, text);
  EXPECT_EQ(raw.has_value(), expected.has_value());
  if (raw.has_value() != expected.has_value()) return false;

  const auto pattern = fuse.createPattern(query);
  const auto prepared = fuse.prepare(text);
  const auto fromPrepared = fuse.search(pattern, prepared);
  const auto score = pattern ? fuse.score(*pattern, prepared) : std::nullopt;
  EXPECT_EQ(fromPrepared.has_value(), expected.has_value());
  EXPECT_EQ(score.has_value(), expected.has_value());
  if (!expected || !fromPrepared || !score) return false;
  EXPECT_NEAR(raw->score, expected->score, 1e-12);
  EXPECT_EQ(raw->ranges, expected->ranges);
  EXPECT_EQ(fromPrepared->score, raw->score);
  EXPECT_EQ(fromPrepared->ranges, raw->ranges);
  EXPECT_EQ(*score, raw->score);
  return true;
}

// ASCII texts under the history's settings, then any settings on Unicode texts.
TEST(FuseAgreement, ShortQueriesAgreeWithThePlainRules) {
  for (const bool anySettings : {false, true}) {
    std::mt19937 rng(anySettings ? 2 : 1);
    int matches = 0;
    for (int i = 0; i < 3000 && !::testing::Test::HasFailure(); ++i) {
      const bool asciiOnly = !anySettings || rng() % 3 == 0;
      const std::string text = randomText(rng, anySettings ? 60 : 120, asciiOnly);
      const Settings settings = anySettings ? randomSettings(rng) : Settings{0, 100, 0.7, false, false};
      matches += expectAgreement(settings, randomQuery(rng, text, asciiOnly), text);
    }
    EXPECT_GT(matches, 1000) << anySettings;
  }
}

TEST(FuseAgreement, LongQueriesAgreeWithThePlainRules) {
  std::mt19937 rng(3);
  int matches = 0;
  for (int i = 0; i < 400 && !::testing::Test::HasFailure(); ++i) {
    const bool asciiOnly = rng() % 2 == 0;
    std::string text = randomText(rng, 150, asciiOnly);
    std::string query = randomText(rng, 90, asciiOnly) + "x";
    if (rng() % 2 == 0) text = randomText(rng, 5, asciiOnly) + query + randomText(rng, 5, asciiOnly);
    // Tokenized, the whole query's ranges show even when it cannot match.
    Settings settings = randomSettings(rng);
    settings.tokenize = settings.tokenize || rng() % 2 == 0;
    matches += expectAgreement(settings, query, text);
  }
  EXPECT_GT(matches, 20);
}

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
    EXPECT_EQ(clustersOf(text), testing::referenceCharacters(text, false));
  }
}

constexpr double kTolerance = 1e-12;
constexpr double kAnyScore = -1;  // a row that checks the ranges alone
using Ranges = std::vector<FuseRange>;

const Fuse kHistoryFuse;
const Fuse kCaseSensitive(0, 100, 0.7, 32, true, false);
const Fuse kWords(0, 100, 0.7, 32, false, true);
const Fuse kFarAndLoose(5, 1, 2.0, 32, false, false);

const std::string kAcute = "\xCC\x81";                                                  // U+0301
const std::string kWomanTechnologist = "\xF0\x9F\x91\xA9\xE2\x80\x8D\xF0\x9F\x92\xBB";  // ZWJ sequence
const std::string kFrance = "\xF0\x9F\x87\xAB\xF0\x9F\x87\xB7";  // two regional indicators

struct WorkedValue { const Fuse& fuse; std::string query; std::string text; std::optional<double> score;
                     std::optional<Ranges> ranges = std::nullopt; const char* why = ""; };

// Scores and ranges worked out by hand from the matching rules: they anchor the reference that
// the agreement tests compare the engine with.
TEST(Fuse, WorkedValuesHold) {
  const std::vector<WorkedValue> rows = {
      {kHistoryFuse, "abc", "abc", 0.0, Ranges{{0, 2}}},
      {kHistoryFuse, "abd", "xxabcxx", 1.0 / 3.0 + 2.0 / 100.0, Ranges{{2, 3}}},
      {kHistoryFuse, "", "anything", std::nullopt, {}, "an empty query matches nothing"},
      {kCaseSensitive, "Hello", "hello world", 0.2, {}, "one substituted letter at 0"},
      {kHistoryFuse, "abc", std::string(70, '-') + "abc", 0.7},
      {kHistoryFuse, "ab", "bxxab", kAnyScore, Ranges{{0, 0}, {3, 4}}, "ranges: every scanned character of the query"},
      {kWords, "ab cd", "zz ab cd", (0.03 + 0.03 + 0.06) / 3, {}, "the mean of the whole query and each word"},
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
