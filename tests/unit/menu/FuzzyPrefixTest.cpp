#include <random>

#include "MenuFixture.h"
#include "core/menu/RowText.h"

namespace marbrel::testing {
namespace {

// Long entries are fuzzy-searched by their beginning; their scores must stay exactly those of the
// whole text, also for texts built to tempt the shortcut into a wrong answer.
class FuzzyPrefixTest : public MenuFixture {
 protected:
  void expectSameScores(const std::string& text, const Texts& queries) {
    const auto presentation = EntryPresentation::make(addText(text).get(), images, strings);
    for (const auto& query : queries) {
      const auto pattern = fuse.createPattern(query);
      if (!pattern) continue;
      const auto viaPresentation = fuse.score(*pattern, presentation->fuzzyText(fuse, pattern->len()));
      const auto whole = fuse.search(query, text);
      ASSERT_EQ(viaPresentation.has_value(), whole.has_value()) << query;
      if (whole) {
        EXPECT_EQ(*viaPresentation, whole->score) << query;
      }
    }
  }
  static constexpr std::size_t kLong = EntryPresentation::kLongTextBytes;
  static constexpr std::size_t kPrefix = EntryPresentation::kFuzzyPrefixBytes;
  const Fuse fuse;
};

TEST_F(FuzzyPrefixTest, RandomLongTextsScoreAsTheWholeText) {
  const Texts pieces = {"clip", "board", " ", "\n", "\r\n", "ΟΔΟΣ", "Σ", "σ", "ς", "e\u0301", "\u0301",
                        "İ", "ß", "'", ".", ":", "\U0001F468\u200D\U0001F469", "\U0001F1EB\U0001F1F7",
                        "Paste", "x", "\u4E2D\u6587", "\u00AD"};
  std::mt19937 rng(11);
  const auto tricky = [&](std::size_t bytes) {
    std::string text;
    while (text.size() < bytes) text += pieces[rng() % pieces.size()];
    return text;
  };
  for (int round = 0; round < 6; ++round) {
    const std::string text = tricky(kLong + 1000);
    // Queries from near the window's edge, random ones, up to past the 64-character scan limit,
    // and ones that occur only far beyond the beginning.
    Texts queries;
    for (int q = 0; q < 60; ++q) {
      const std::size_t length = 1 + rng() % 70;
      std::string query = q % 3 == 0 ? tricky(length) : text.substr(rng() % 400, length);
      if (q % 7 == 0) query = text.substr(text.size() - 200, 20);
      if (row_text::isValidUtf8(query)) queries.push_back(query);
    }
    expectSameScores(text, queries);
  }
}

TEST_F(FuzzyPrefixTest, UnusualLongTextsScoreAsTheWholeText) {
  std::string greek;  // no ASCII: nowhere to cut
  while (greek.size() < kLong + 10) greek += "ΣΟΦΙΑ";
  expectSameScores(greek, {"σοφια", "ΣΟΦ"});
  std::string giant = "e";  // one character as long as the beginning
  while (giant.size() < kPrefix + 100) giant += "\u0301";
  expectSameScores(giant + " " + std::string(kLong, 'a'), {"aaaa", "e\u0301"});
  // Whether this sigma is final depends on the letter after the dots.
  expectSameScores("aΣ" + std::string(kPrefix + 10, '.') + "b " + std::string(kLong, 'z'),
                   {"aσ", "aς", "σ", "ς"});
  // Queries as long as the beginning can only equal the whole text.
  const std::string qs(kLong + 5, 'q');
  expectSameScores(qs, {std::string(kPrefix + 1, 'q'), qs});
}

}  // namespace
}  // namespace marbrel::testing
