#include <random>

#include "MenuFixture.h"
#include "core/menu/RowText.h"

namespace marbrel::testing {
namespace {

// Long entries are searched by their beginning; these cases prove that the scores stay exactly
// those of the whole text, for texts built to tempt the shortcut into a wrong answer.
class FuzzyPrefixTest : public MenuFixture {
 protected:
  std::shared_ptr<const EntryPresentation> presentationOf(const std::string& text) {
    return EntryPresentation::make(addText(text).get(), images, strings);
  }

  // Compares the score of `query` through the presentation with that over the whole text.
  void expectSameScore(const EntryPresentation& presentation, const std::string& query) {
    const auto pattern = fuse.createPattern(query);
    ASSERT_TRUE(pattern);
    const auto viaPrefix = fuse.score(*pattern, presentation.fuzzyText(fuse, pattern->len()));
    const auto whole = fuse.search(query, presentation.value());
    ASSERT_EQ(viaPrefix.has_value(), whole.has_value()) << query;
    if (whole) EXPECT_EQ(*viaPrefix, whole->score) << query;
  }

  const Fuse fuse;
};

const std::vector<std::string> kPieces = {
    "clip", "board", " ", " ", "\n", "\r\n", "ΟΔΟΣ", "Σ", "σ", "ς", "e\u0301", "\u0301", "İ", "ß",
    "'", ".", ":", "\U0001F468\u200D\U0001F469", "\U0001F1EB\U0001F1F7", "Paste", "PASTE", "x",
    "\u4E2D\u6587", "\u00AD", "é"};

std::string tricky(std::mt19937& rng, std::size_t bytes) {
  std::string text;
  while (text.size() < bytes) text += kPieces[rng() % kPieces.size()];
  return text;
}

TEST_F(FuzzyPrefixTest, LongTextsScoreAsTheirWholeText) {
  std::mt19937 rng(11);
  for (int round = 0; round < 6; ++round) {
    const std::string text = tricky(rng, EntryPresentation::kLongTextBytes + 1000);
    const auto presentation = presentationOf(text);
    // Queries cut from the text near the window's edge, random ones, long ones, the 65-character
    // limit of the scan, and queries that exist only far beyond the beginning.
    for (int q = 0; q < 60; ++q) {
      const std::size_t length = 1 + rng() % 70;
      const std::size_t start = rng() % 400;
      std::string query = text.substr(start, length);
      if (q % 3 == 0) query = tricky(rng, length);
      if (q % 7 == 0) query = text.substr(text.size() - 200, 20);
      if (!row_text::isValidUtf8(query) || row_text::trimmed(query).empty()) continue;
      expectSameScore(*presentation, query);
    }
  }
}

TEST_F(FuzzyPrefixTest, TextsWithoutASafeCutOrWithFewCharactersUseTheWholeText) {
  // No ASCII at all: no place to cut.
  std::string greek;
  while (greek.size() < EntryPresentation::kLongTextBytes + 10) greek += "ΣΟΦΙΑ";
  expectSameScore(*presentationOf(greek), "σοφια");
  // One giant character first: the beginning holds too few characters.
  std::string giant = "e";
  while (giant.size() < EntryPresentation::kFuzzyPrefixBytes + 100) giant += "\u0301";
  giant += " " + std::string(EntryPresentation::kLongTextBytes, 'a') + " target";
  expectSameScore(*presentationOf(giant), "aaaa");
  expectSameScore(*presentationOf(giant), "e\u0301");
}

TEST_F(FuzzyPrefixTest, FinalSigmaBeforeALongRunOfIgnorableCharacters) {
  // Whether this capital sigma lower-cases to a final sigma depends on the letter after the dots.
  std::string text = "aΣ" + std::string(EntryPresentation::kFuzzyPrefixBytes + 10, '.') + "b " +
                     std::string(EntryPresentation::kLongTextBytes, 'z');
  const auto presentation = presentationOf(text);
  for (const char* query : {"aσ", "aς", "σ", "ς", "aσ."}) expectSameScore(*presentation, query);
}

TEST_F(FuzzyPrefixTest, AQueryAsLongAsTheBeginningStillMatchesOnlyTheWholeText) {
  const std::string text = std::string(EntryPresentation::kLongTextBytes + 5, 'q');
  const auto presentation = presentationOf(text);
  const std::string query(EntryPresentation::kFuzzyPrefixBytes + 1, 'q');
  const auto pattern = fuse.createPattern(query);
  EXPECT_EQ(&presentation->fuzzyText(fuse, pattern->len()), &presentation->fuzzyText(fuse, 1000000));
  expectSameScore(*presentation, query);
  expectSameScore(*presentation, text);
}

}  // namespace
}  // namespace marbrel::testing
