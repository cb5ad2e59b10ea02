#include "core/fuzzy/Fuse.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace marbrel {
namespace {

constexpr double kTolerance = 1e-12;

using Ranges = std::vector<FuseRange>;

// The history search's engine: location 0, distance 100, threshold 0.7, case-insensitive.
const Fuse kHistoryFuse(0, 100, 0.7, 32, false, false);

std::string foreign(std::size_t count) { return std::string(count, '-'); }

const Fuse kCaseSensitive(0, 100, 0.7, 32, true, false);
const Fuse kZeroDistance(0, 0, 0.7, 32, false, false);

struct WorkedValue {
  const Fuse& fuse;
  std::string query;
  std::string text;
  std::optional<double> score;
  std::optional<Ranges> ranges = std::nullopt;
};

TEST(Fuse, WorkedValuesHold) {
  const std::vector<WorkedValue> rows = {
      {kHistoryFuse, "abc", "abc", 0.0, Ranges{{0, 2}}},
      {kHistoryFuse, "Hello", "hello world", 0.0, Ranges{{0, 4}}},
      {kHistoryFuse, "abc", "xxabcxx", 0.02, Ranges{{2, 4}}},
      {kHistoryFuse, "abd", "xxabcxx", 1.0 / 3.0 + 2.0 / 100.0, Ranges{{2, 3}}},
      {kHistoryFuse, "ab", "b", 0.5, Ranges{{0, 0}}},
      {kHistoryFuse, "xyz", "hello", std::nullopt},
      {kHistoryFuse, "any", "", std::nullopt},
      // An empty query matches nothing.
      {kHistoryFuse, "", "anything", std::nullopt},
      {kHistoryFuse, "", "", std::nullopt},
      // Letter case alone costs nothing unless the engine is case-sensitive.
      {kHistoryFuse, "HeLLo WoRLD", "hello world", 0.0},
      {kHistoryFuse, "world", "HELLO WORLD", 0.06},
      {kCaseSensitive, "Hello", "hello world", 0.2},  // one substituted letter at position 0
      {kCaseSensitive, "hello", "hello world", 0.0},
      // An exact occurrence scores its distance from the expected position; the first one counts.
      {kHistoryFuse, "abc", foreign(2) + "abc", 0.02},
      {kHistoryFuse, "abc", foreign(69) + "abc", 0.69},
      {kHistoryFuse, "abc", foreign(70) + "abc", 0.7},
      {kHistoryFuse, "abc", foreign(100) + "abc", std::nullopt},
      {kHistoryFuse, "abc", foreign(5) + "abc" + foreign(3) + "abc", 0.05},
      // Distance 0 accepts only matches at the expected position. The window holds only the first
      // three characters: in "xabc" the inserted x and the cut-off c are two errors of a match at 0.
      {kZeroDistance, "abc", "abcx", 0.0},
      {kZeroDistance, "abc", "xxxabc", std::nullopt},
      {kZeroDistance, "abc", "xabc", 2.0 / 3.0},
      {kZeroDistance, "abcd", "abxd", 0.25},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.query + " in " + row.text);
    const auto result = row.fuse.search(row.query, row.text);
    ASSERT_EQ(result.has_value(), row.score.has_value());
    if (!result) continue;
    EXPECT_NEAR(result->score, *row.score, kTolerance);
    if (row.ranges) {
      EXPECT_EQ(result->ranges, *row.ranges);
    }
  }
  EXPECT_FALSE(kHistoryFuse.createPattern(""));
  EXPECT_FALSE(kHistoryFuse.search(std::optional<FusePattern>{}, kHistoryFuse.prepare("x")));
}

TEST(Fuse, QueryBeyondSixtyFourCharactersMatchesOnlyAnEqualText) {
  const std::string query(65, 'q');
  EXPECT_NEAR(kHistoryFuse.search(query, query)->score, 0.0, kTolerance);
  EXPECT_EQ(kHistoryFuse.search(query, query)->ranges, (Ranges{{0, 64}}));
  EXPECT_FALSE(kHistoryFuse.search(query, query + "x"));
  EXPECT_FALSE(kHistoryFuse.search(query, "x" + query));
  EXPECT_FALSE(kHistoryFuse.search(query, query.substr(1)));
  // At 64 characters the complete-match bit still exists.
  const std::string sixtyFour(64, 'q');
  EXPECT_NEAR(kHistoryFuse.search(sixtyFour, "x" + sixtyFour)->score, 0.01, kTolerance);
}

TEST(Fuse, ScoresAboveTheThresholdOrAboveOneAreStillResults) {
  // With two errors the window ends at 3 + 3; "a" at 5 completes a match whose last two
  // characters lie beyond it: 2/3 + 5/100, over the threshold, still reported.
  const auto beyond = kHistoryFuse.search("abc", "-----a");
  ASSERT_TRUE(beyond);
  EXPECT_NEAR(beyond->score, 2.0 / 3.0 + 0.05, kTolerance);

  // With distance 10, three errors leave a window of 1; "bc" at 6 and 7 ends a candidate at 5.
  const Fuse near(0, 10, 0.7, 32, false, false);
  const auto aboveOne = near.search("abcde", "------bc");
  ASSERT_TRUE(aboveOne);
  EXPECT_NEAR(aboveOne->score, 0.6 + 0.5, kTolerance);
}

TEST(Fuse, LaterWorseCandidateReplacesTheReportedScore) {
  // Level 0 accepts the exact match at 10 (0.1); level 1 then reaches a one-error candidate at 9
  // (0.1 + 0.09), which is not accepted but is the last one scored.
  const auto result = kHistoryFuse.search("abcdefghij", "----------abcdefghij");
  ASSERT_TRUE(result);
  EXPECT_NEAR(result->score, 0.19, kTolerance);
}

TEST(Fuse, RangesCoverEveryScannedCharacterTheQueryHolds) {
  EXPECT_EQ(kHistoryFuse.search("ab", "bxxab")->ranges, (Ranges{{0, 0}, {3, 4}}));
  // Every exact occurrence is marked, however far; a run at the end closes at the last position.
  const std::string text = "ab" + foreign(200) + "ab";
  EXPECT_EQ(kHistoryFuse.search("ab", text)->ranges, (Ranges{{0, 1}, {202, 203}}));
}

TEST(Fuse, TokenizedQueryScoresTheMeanOfWholeQueryAndWords) {
  const Fuse words(0, 100, 0.7, 32, false, true);
  const std::string text = "zz ab cd";
  const double whole = kHistoryFuse.search("ab cd", text)->score;
  const double ab = kHistoryFuse.search("ab", text)->score;
  const double cd = kHistoryFuse.search("cd", text)->score;
  const auto result = words.search("ab cd", text);
  ASSERT_TRUE(result);
  EXPECT_NEAR(result->score, (whole + ab + cd) / 3.0, kTolerance);
  EXPECT_FALSE(words.search("qq rr", text));
}

TEST(Fuse, PatternAndTextFromEnginesOfOtherCaseSensitivityAreRefused) {
  const Fuse& sensitive = kCaseSensitive;
  const auto pattern = kHistoryFuse.createPattern("abc");
  ASSERT_TRUE(pattern);
  EXPECT_FALSE(sensitive.search(*pattern, sensitive.prepare("abc")));
  EXPECT_FALSE(kHistoryFuse.search(*pattern, sensitive.prepare("abc")));
  EXPECT_FALSE(sensitive.score(*pattern, sensitive.prepare("abc")));
}

TEST(Fuse, ListSearchKeepsMatchingTextsByScoreThenListOrder) {
  const std::vector<std::string> texts = {"xxabc", "nothing", "abc", "--abc", "xxabc"};
  const auto results = kHistoryFuse.searchList("abc", texts);
  ASSERT_EQ(results.size(), 4u);
  EXPECT_EQ(results[0].index, 2u);
  EXPECT_EQ(results[1].index, 0u);
  EXPECT_EQ(results[2].index, 3u);
  EXPECT_EQ(results[3].index, 4u);
  EXPECT_NEAR(results[1].score, 0.02, kTolerance);
  EXPECT_EQ(results[0].ranges, (Ranges{{0, 2}}));
  EXPECT_TRUE(kHistoryFuse.searchList("", texts).empty());
}

TEST(Fuse, LongTextKeepsOccurrencesFarAwayInItsRanges) {
  std::string text(1 << 20, 'x');
  text.replace(text.size() - 5, 5, "QUERY");
  const auto result = kHistoryFuse.search("query", text);
  EXPECT_FALSE(result);  // 1,048,571 characters away: out of reach

  text.replace(10, 5, "query");
  const auto found = kHistoryFuse.search("query", text);
  ASSERT_TRUE(found);
  EXPECT_NEAR(found->score, 0.1, kTolerance);
  const std::int64_t n = static_cast<std::int64_t>(text.size());
  EXPECT_EQ(found->ranges, (Ranges{{10, 14}, {n - 5, n - 1}}));
  EXPECT_NEAR(*kHistoryFuse.score(*kHistoryFuse.createPattern("query"), kHistoryFuse.prepare(text)), 0.1, kTolerance);
}

}  // namespace
}  // namespace marbrel
