#include "core/fuzzy/Fuse.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ReferenceFuse.h"

namespace marbrel {
namespace {

constexpr double kTolerance = 1e-12;
constexpr double kAnyScore = -1;  // a row that checks the ranges alone
using namespace std::string_literals;
using Ranges = std::vector<FuseRange>;

// The history search's engine: location 0, distance 100, threshold 0.7, case-insensitive.
const Fuse kHistoryFuse;
const Fuse kCaseSensitive(0, 100, 0.7, 32, true, false);
const Fuse kZeroDistance(0, 0, 0.7, 32, false, false);
const Fuse kDistanceTen(0, 10, 0.7, 32, false, false);

std::string foreign(std::size_t count) { return std::string(count, '-'); }

const std::string kAcute = "\xCC\x81";                                                  // U+0301
const std::string kWomanTechnologist = "\xF0\x9F\x91\xA9\xE2\x80\x8D\xF0\x9F\x92\xBB";  // ZWJ sequence
const std::string kWoman = "\xF0\x9F\x91\xA9";
const std::string kFrance = "\xF0\x9F\x87\xAB\xF0\x9F\x87\xB7";  // two regional indicators
const std::string kGermany = "\xF0\x9F\x87\xA9\xF0\x9F\x87\xAA";
const std::string kQ64(64, 'q'), kQ65(65, 'q');

struct WorkedValue {
  const Fuse& fuse;
  std::string query;
  std::string text;
  std::optional<double> score;
  std::optional<Ranges> ranges = std::nullopt;
  const char* why = "";
};

// Scores and ranges worked out by hand from the matching rules.
TEST(Fuse, WorkedValuesHold) {
  const std::vector<WorkedValue> rows = {
      {kHistoryFuse, "abc", "abc", 0.0, Ranges{{0, 2}}},
      {kHistoryFuse, "Hello", "hello world", 0.0, Ranges{{0, 4}}},
      {kHistoryFuse, "abc", "xxabcxx", 0.02, Ranges{{2, 4}}},
      {kHistoryFuse, "abd", "xxabcxx", 1.0 / 3.0 + 2.0 / 100.0, Ranges{{2, 3}}},
      {kHistoryFuse, "ab", "b", 0.5, Ranges{{0, 0}}},
      {kHistoryFuse, "xyz", "hello", std::nullopt},
      {kHistoryFuse, "any", "", std::nullopt},
      {kHistoryFuse, "", "anything", std::nullopt, {}, "an empty query matches nothing"},
      {kHistoryFuse, "", "", std::nullopt},
      {kHistoryFuse, "HeLLo WoRLD", "hello world", 0.0, {}, "case costs nothing"},
      {kHistoryFuse, "world", "HELLO WORLD", 0.06},
      {kCaseSensitive, "Hello", "hello world", 0.2, {}, "one substituted letter at 0"},
      {kCaseSensitive, "hello", "hello world", 0.0},
      {kHistoryFuse, "abc", foreign(69) + "abc", 0.69, {}, "an exact occurrence scores its distance"},
      {kHistoryFuse, "abc", foreign(70) + "abc", 0.7},
      {kHistoryFuse, "abc", foreign(100) + "abc", std::nullopt},
      {kHistoryFuse, "abc", foreign(5) + "abc" + foreign(3) + "abc", 0.05, {}, "the first occurrence counts"},
      {kZeroDistance, "abc", "abcx", 0.0},
      {kZeroDistance, "abc", "xxxabc", std::nullopt, {}, "distance 0: only at the expected position"},
      {kZeroDistance, "abc", "xabc", 2.0 / 3.0, {}, "the window holds 3: x inserted and c cut off"},
      {kZeroDistance, "abcd", "abxd", 0.25},
      {kHistoryFuse, kQ65, kQ65, 0.0, Ranges{{0, 64}}, "over 64 characters only an equal text"},
      {kHistoryFuse, kQ65, kQ65 + "x", std::nullopt},
      {kHistoryFuse, kQ65, "x" + kQ65, std::nullopt},
      {kHistoryFuse, kQ65, kQ65.substr(1), std::nullopt},
      {kHistoryFuse, kQ64, "x" + kQ64, 0.01, {}, "at 64 the complete-match bit still exists"},
      {kHistoryFuse, "abc", "-----a", 2.0 / 3.0 + 0.05, {}, "over the threshold, still a result"},
      {kDistanceTen, "abcde", "------bc", 0.6 + 0.5, {}, "over 1, still a result"},
      {kHistoryFuse, "abcdefghij", foreign(10) + "abcdefghij", 0.19, {}, "a later, worse candidate is reported"},
      {kHistoryFuse, "ab", "bxxab", kAnyScore, Ranges{{0, 0}, {3, 4}}, "ranges: every scanned character of the query"},
      {kHistoryFuse, "ab", "ab" + foreign(200) + "ab", kAnyScore, Ranges{{0, 1}, {202, 203}}, "however far"},
      // Positions count grapheme clusters, not bytes or code points.
      {kHistoryFuse, "abc", "e" + kAcute + "e" + kAcute + kWomanTechnologist + kFrance + "abc", 0.04, Ranges{{4, 6}}},
      {kHistoryFuse, "cafe" + kAcute, "cafe" + kAcute + " noir", 0.0},
      {kHistoryFuse, "cafe", "cafe" + kAcute, 0.25, Ranges{{0, 2}}, "e is not e + acute"},
      {kHistoryFuse, "\xC3\xA9", "cafe" + kAcute, std::nullopt, {}, "no canonical equivalence"},
      {kHistoryFuse, kAcute, "cafe" + kAcute, std::nullopt, {}, "a lone mark is not found inside a cluster"},
      {kHistoryFuse, kWomanTechnologist + "b", "xx" + kWomanTechnologist + "b", 0.02, Ranges{{2, 3}}},
      {kHistoryFuse, kWoman, kWomanTechnologist, std::nullopt, {}, "part of a joined sequence"},
      {kHistoryFuse, (kFrance + kGermany).substr(4, 8), kFrance + kGermany, std::nullopt, {}, "half flags"},
      {kHistoryFuse, kGermany, kFrance + kGermany, 0.01},
      {kHistoryFuse, "b", "a\r\nb", 0.02, Ranges{{2, 2}}, "CR LF is one character"},
      {kHistoryFuse, "\n", "a\r\nb", std::nullopt},
      {kHistoryFuse, "\r\n", "a\r\nb", 0.01},
      // Lower-casing is Unicode's full default mapping, with no language's rules.
      {kHistoryFuse, "STRA\xE1\xBA\x9E" "E", "stra\xC3\x9F" "e", 0.0, {}, "capital sharp s is ß"},
      {kHistoryFuse, "\xC3\x9F", "STRASSE", std::nullopt},
      {kHistoryFuse, "i\xCC\x87stanbul", "\xC4\xB0STANBUL", 0.0, {}, "dotted I is i + dot above"},
      {kHistoryFuse, "istanbul", "\xC4\xB0STANBUL", 0.125},
      {kHistoryFuse, "\xCE\x9F\xCE\x94\xCE\x9F\xCE\xA3", "\xCE\xBF\xCE\xB4\xCE\xBF\xCF\x82", 0.0, {}, "final sigma"},
      {kCaseSensitive, "\xC3\x9F", "STRA\xC3\x9F" "E", 0.04},
      {kCaseSensitive, "\xC3\x9F", "STRA\xE1\xBA\x9E" "E", std::nullopt},
      {kHistoryFuse, "cd", "ab\xFF" "cd", 0.03, {}, "an ill-formed byte is one character"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.query + " in " + row.text + " " + row.why);
    const auto result = row.fuse.search(row.query, row.text);
    ASSERT_EQ(result.has_value(), row.score.has_value());
    if (!result) continue;
    if (*row.score != kAnyScore) { EXPECT_NEAR(result->score, *row.score, kTolerance); }
    if (row.ranges) { EXPECT_EQ(result->ranges, *row.ranges); }
  }
  EXPECT_FALSE(kHistoryFuse.createPattern(""));
  EXPECT_FALSE(kHistoryFuse.search(std::optional<FusePattern>{}, kHistoryFuse.prepare("x")));
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
  const auto pattern = kHistoryFuse.createPattern("abc");
  ASSERT_TRUE(pattern);
  EXPECT_FALSE(kCaseSensitive.search(*pattern, kCaseSensitive.prepare("abc")));
  EXPECT_FALSE(kHistoryFuse.search(*pattern, kCaseSensitive.prepare("abc")));
  EXPECT_FALSE(kCaseSensitive.score(*pattern, kCaseSensitive.prepare("abc")));
}

TEST(Fuse, ListSearchKeepsMatchingTextsByScoreThenListOrder) {
  const std::vector<std::string> texts = {"xxabc", "nothing", "abc", "--abc", "xxabc"};
  const auto results = kHistoryFuse.searchList("abc", texts);
  std::vector<std::size_t> order;
  for (const auto& result : results) order.push_back(result.index);
  EXPECT_EQ(order, (std::vector<std::size_t>{2, 0, 3, 4}));
  EXPECT_NEAR(results[1].score, 0.02, kTolerance);
  EXPECT_EQ(results[0].ranges, (Ranges{{0, 2}}));
  EXPECT_TRUE(kHistoryFuse.searchList("", texts).empty());
}

TEST(Fuse, LongTextKeepsOccurrencesFarAwayInItsRanges) {
  std::string text(1 << 20, 'x');
  text.replace(text.size() - 5, 5, "QUERY");
  EXPECT_FALSE(kHistoryFuse.search("query", text));  // 1,048,571 characters away: out of reach
  text.replace(10, 5, "query");
  const auto found = kHistoryFuse.search("query", text);
  ASSERT_TRUE(found);
  EXPECT_NEAR(found->score, 0.1, kTolerance);
  const std::int64_t n = static_cast<std::int64_t>(text.size());
  EXPECT_EQ(found->ranges, (Ranges{{10, 14}, {n - 5, n - 1}}));
  EXPECT_NEAR(*kHistoryFuse.score(*kHistoryFuse.createPattern("query"), kHistoryFuse.prepare(text)), 0.1, kTolerance);
}

TEST(FuseText, SplitsAsIcuDoesAndFindsOccurrencesOnCharacterBoundaries) {
  for (const bool lowerCase : {false, true}) {
    for (const std::string& text : {"CR\r\nLF\r\r\n\n\r"s, "x" + kAcute + "\r\n" + kFrance + kWoman,
                                    "\xC4\xB0I\xC3\x9F\xE1\xBA\x9E \xCE\x9F\xCE\xA3"s}) {
      SCOPED_TRACE(text);
      const FuseText prepared = FuseText::prepare(text, lowerCase);
      std::vector<std::string> characters;
      for (std::int64_t k = 0; k < prepared.size(); ++k) characters.emplace_back(prepared.character(k));
      EXPECT_EQ(characters, testing::referenceCharacters(text, lowerCase));
      EXPECT_EQ(prepared.lowerCased(), lowerCase);
    }
  }
  EXPECT_TRUE(FuseText::prepare("no pairs\n\r here", true).singleByteCharacters());
  EXPECT_EQ(FuseText::prepare("AbC", false).text(), "AbC");

  const FuseText text = FuseText::prepare("e" + kAcute + "x e y" + kAcute + "e", true);
  const auto e = text.find("e", 0);  // the earlier "e" bytes belong to e + acute
  ASSERT_TRUE(e);
  EXPECT_EQ(e->begin, 3);
  EXPECT_EQ(e->end, 4);
  EXPECT_EQ(text.find("e", 4)->begin, 6);
  EXPECT_FALSE(text.find("e", 7));
  EXPECT_FALSE(text.find("e", 99));
  EXPECT_EQ(text.find(" y" + kAcute, 0)->end, 6);
}

}  // namespace
}  // namespace marbrel
