#include "core/fuzzy/Fuse.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>


namespace marbrel {
namespace {

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

TEST(Fuse, PatternAndTextFromEnginesOfOtherCaseSensitivityAreRefused) {
  const auto pattern = kHistoryFuse.createPattern("abc");
  EXPECT_FALSE(kCaseSensitive.search(*pattern, kCaseSensitive.prepare("abc")) ||
               kHistoryFuse.search(*pattern, kCaseSensitive.prepare("abc")));
  EXPECT_FALSE(kCaseSensitive.score(*pattern, kCaseSensitive.prepare("abc")));
}

TEST(Fuse, ListSearchKeepsMatchingTextsByScoreThenListOrder) {
  const std::vector<std::string> texts = {"xxabc", "nothing", "abc", "--abc", "xxabc"};
  const auto results = kHistoryFuse.searchList("abc", texts);
  std::vector<std::size_t> order;
  for (const auto& result : results) order.push_back(result.index);
  EXPECT_EQ(order, (std::vector<std::size_t>{2, 0, 3, 4}));
  EXPECT_EQ(results[0].ranges, (Ranges{{0, 2}}));
  EXPECT_TRUE(kHistoryFuse.searchList("", texts).empty());
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

TEST(FuseText, FindsOccurrencesOnCharacterBoundariesOnly) {
  const FuseText text = FuseText::prepare("e" + kAcute + "x e y" + kAcute + "e", true);
  EXPECT_EQ(text.find("e", 0).value().begin, 3);  // the earlier "e" bytes belong to e + acute
  EXPECT_EQ(text.find("e", 0).value().end, 4);
  EXPECT_EQ(text.find("e", 4).value().begin, 6);
  EXPECT_FALSE(text.find("e", 7) || text.find("e", 99));
  EXPECT_EQ(text.find(" y" + kAcute, 0)->end, 6);
}

}  // namespace
}  // namespace marbrel
