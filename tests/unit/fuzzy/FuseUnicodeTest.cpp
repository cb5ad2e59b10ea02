#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ReferenceFuse.h"
#include "core/fuzzy/Fuse.h"

namespace marbrel {
namespace {

constexpr double kTolerance = 1e-12;
using Ranges = std::vector<FuseRange>;

const Fuse kFuse;  // the history search's settings

const std::string kAcute = "\xCC\x81";                                         // U+0301
const std::string kWomanTechnologist = "\xF0\x9F\x91\xA9\xE2\x80\x8D\xF0\x9F\x92\xBB";  // ZWJ sequence
const std::string kWoman = "\xF0\x9F\x91\xA9";
const std::string kFrance = "\xF0\x9F\x87\xAB\xF0\x9F\x87\xB7";                 // two regional indicators
const std::string kGermany = "\xF0\x9F\x87\xA9\xF0\x9F\x87\xAA";

std::vector<std::string> charactersOf(const FuseText& text) {
  std::vector<std::string> characters;
  for (std::int64_t k = 0; k < text.size(); ++k) characters.emplace_back(text.character(k));
  return characters;
}

TEST(FuseUnicode, PositionsCountGraphemeClustersNotBytesOrCodePoints) {
  // Two decomposed letters, an emoji sequence and a flag before the query.
  const std::string text = "e" + kAcute + "e" + kAcute + kWomanTechnologist + kFrance + "abc";
  const auto result = kFuse.search("abc", text);
  ASSERT_TRUE(result);
  EXPECT_NEAR(result->score, 0.04, kTolerance);
  EXPECT_EQ(result->ranges, (Ranges{{4, 6}}));
  EXPECT_EQ(kFuse.prepare(text).size(), 7);
}

TEST(FuseUnicode, CombiningMarkBelongsToItsLetter) {
  const std::string decomposed = "cafe" + kAcute;
  // The same decomposed text matches exactly; the bare letter is not the accented one.
  EXPECT_NEAR(kFuse.search(decomposed, decomposed + " noir")->score, 0.0, kTolerance);
  const auto bare = kFuse.search("cafe", decomposed);
  ASSERT_TRUE(bare);
  EXPECT_NEAR(bare->score, 0.25, kTolerance);  // one error: e is not e + acute
  EXPECT_EQ(bare->ranges, (Ranges{{0, 2}}));
  // Precomposed and decomposed forms are different characters (no canonical equivalence).
  EXPECT_FALSE(kFuse.search("\xC3\xA9", decomposed));
  // A lone combining mark is never found inside a cluster.
  EXPECT_FALSE(kFuse.search(kAcute, decomposed));
}

TEST(FuseUnicode, EmojiSequencesAndFlagsAreSingleCharacters) {
  const auto whole = kFuse.search(kWomanTechnologist + "b", "xx" + kWomanTechnologist + "b");
  ASSERT_TRUE(whole);
  EXPECT_NEAR(whole->score, 0.02, kTolerance);
  EXPECT_EQ(whole->ranges, (Ranges{{2, 3}}));
  // The first emoji of a joined sequence is not a character of the text.
  EXPECT_FALSE(kFuse.search(kWoman, kWomanTechnologist));
  // The second half of one flag and the first half of the next do not make a flag.
  const std::string flags = kFrance + kGermany;
  const std::string straddling = flags.substr(4, 8);
  EXPECT_FALSE(kFuse.search(straddling, flags));
  EXPECT_NEAR(kFuse.search(kGermany, flags)->score, 0.01, kTolerance);
}

TEST(FuseUnicode, LowerCasingIsUnicodesFullDefaultMapping) {
  // Capital sharp s lower-cases to ß; ß itself has no single lower-case "ss".
  EXPECT_NEAR(kFuse.search("STRA\xE1\xBA\x9E" "E", "stra\xC3\x9F" "e")->score, 0.0, kTolerance);
  EXPECT_FALSE(kFuse.search("\xC3\x9F", "STRASSE"));
  // Dotted capital I becomes i + combining dot above, one character that plain i is not: one
  // error, no Turkish rule.
  EXPECT_NEAR(kFuse.search("i\xCC\x87stanbul", "\xC4\xB0STANBUL")->score, 0.0, kTolerance);
  EXPECT_NEAR(kFuse.search("istanbul", "\xC4\xB0STANBUL")->score, 0.125, kTolerance);
  EXPECT_NEAR(kFuse.search("ISTANBUL", "istanbul")->score, 0.0, kTolerance);
  // Greek capital sigma at the end of a word becomes final sigma.
  EXPECT_NEAR(kFuse.search("\xCE\x9F\xCE\x94\xCE\x9F\xCE\xA3", "\xCE\xBF\xCE\xB4\xCE\xBF\xCF\x82")->score, 0.0,
              kTolerance);
  // Case-sensitive engines leave both sides as they are.
  const Fuse sensitive(0, 100, 0.7, 32, true, false);
  EXPECT_NEAR(sensitive.search("\xC3\x9F", "STRA\xC3\x9F" "E")->score, 0.04, kTolerance);
  EXPECT_FALSE(sensitive.search("\xC3\x9F", "STRA\xE1\xBA\x9E" "E"));
}

TEST(FuseUnicode, CarriageReturnLineFeedIsOneCharacter) {
  const auto result = kFuse.search("b", "a\r\nb");
  ASSERT_TRUE(result);
  EXPECT_NEAR(result->score, 0.02, kTolerance);
  EXPECT_EQ(result->ranges, (Ranges{{2, 2}}));
  EXPECT_FALSE(kFuse.search("\n", "a\r\nb"));
  EXPECT_NEAR(kFuse.search("\r\n", "a\r\nb")->score, 0.01, kTolerance);
}

TEST(FuseUnicode, PreparedTextSplitsAsIcuDoes) {
  const std::vector<std::string> texts = {"CR\r\nLF\r\r\n\n\r", "x" + kAcute + "\r\n" + kFrance + kWoman,
                                          "\xC4\xB0I\xC3\x9F\xE1\xBA\x9E \xCE\x9F\xCE\xA3"};
  for (const bool lowerCase : {false, true}) {
    for (const auto& text : texts) {
      SCOPED_TRACE(text);
      const FuseText prepared = FuseText::prepare(text, lowerCase);
      EXPECT_EQ(charactersOf(prepared), testing::referenceCharacters(text, lowerCase));
      EXPECT_EQ(prepared.lowerCased(), lowerCase);
    }
  }
  EXPECT_TRUE(FuseText::prepare("no pairs\n\r here", true).singleByteCharacters());
  EXPECT_EQ(FuseText::prepare("AbC", false).text(), "AbC");
}

TEST(FuseUnicode, OccurrencesLandOnCharacterBoundaries) {
  const FuseText text = FuseText::prepare("e" + kAcute + "x e y" + kAcute + "e", true);
  // "e" first occurs as a whole character at 3; its earlier bytes belong to e + acute.
  const auto e = text.find("e", 0);
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
