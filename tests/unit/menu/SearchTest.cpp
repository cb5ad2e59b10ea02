#include "MenuFixture.h"

#include "core/menu/Search.h"

namespace marbrel::testing {
namespace {

class SearchTest : public MenuFixture {
 protected:
  // Two rows per text, as the menu holds them, in the given order.
  Search::Items rows(const std::vector<std::string>& texts) {
    Search::Items items;
    for (const auto& text : texts) {
      const auto entry = addText(text);
      const auto presentation = EntryPresentation::make(entry.get(), images, strings);
      items.push_back(std::make_shared<HistoryMenuItem>(entry, nullptr, presentation, 40));
      items.push_back(std::make_shared<HistoryMenuItem>(entry, nullptr, presentation, 40));
      items.back()->setAlternate(true);
    }
    return items;
  }
  static std::vector<std::string> values(const Search::Items& items) {
    std::vector<std::string> result;
    for (const auto& item : items) result.push_back(item->value() + (item->isAlternate() ? "'" : ""));
    return result;
  }

  Search search{configuration};
};

using Values = std::vector<std::string>;

TEST_F(SearchTest, EmptyQueryReturnsEveryRowInOrder) {
  const auto items = rows({"b", "a"});
  EXPECT_EQ(search.searchItems("", items), items);
  configuration.setFuzzySearch(true);
  EXPECT_EQ(search.searchItems("", items), items);
}

TEST_F(SearchTest, PlainSearchIgnoresCaseKeepsOrderAndBothRowsOfAPair) {
  const auto items = rows({"say Hello there", "nothing", "HELLO", "hel lo"});
  EXPECT_EQ(values(search.searchItems("hELLo", items)),
            (Values{"say Hello there", "say Hello there'", "HELLO", "HELLO'"}));
}

TEST_F(SearchTest, PlainSearchFoldsUnicodeCaseButKeepsDiacriticsAndSpaces) {
  const auto items = rows({"Straße", "ÉCOLE", "ecole", "new  line"});
  EXPECT_EQ(values(search.simpleSearch("STRASSE", items)), (Values{"Straße", "Straße'"}));
  EXPECT_EQ(values(search.simpleSearch("école", items)), (Values{"ÉCOLE", "ÉCOLE'"}));
  EXPECT_TRUE(search.simpleSearch("new line", items).empty());
  EXPECT_EQ(search.simpleSearch("ΣΊΣΥΦΟΣ", rows({"σίσυφος"})).size(), 2u) << "final sigma folds";
}

TEST_F(SearchTest, ImageRowsNeverMatchAText) {
  auto items = rows({"png"});
  const auto image = addEntry({{std::string("image/png"), FakeImageDecoder::encode(5, 5)}});
  items.push_back(HistoryMenuItem::make(image, nullptr, configuration, images, strings));
  EXPECT_EQ(search.simpleSearch("png", items).size(), 2u);
  configuration.setFuzzySearch(true);
  EXPECT_EQ(search.searchItems("png", items).size(), 2u);
}

TEST_F(SearchTest, FuzzySearchRanksByScoreStablyAndDropsWhatItCannotReach) {
  configuration.setFuzzySearch(true);
  const std::string far = std::string(150, '.') + "query";
  const auto items = rows({"xx query", "query", "qurey", far, "xx query again"});
  EXPECT_EQ(values(search.searchItems("query", items)),
            (Values{"query", "query'", "xx query", "xx query'", "xx query again", "xx query again'",
                    "qurey", "qurey'"}));
  EXPECT_TRUE(search.fuzzySearch("zzzzz", items).empty());
}

TEST_F(SearchTest, FuzzyScoresMatchTheMatcherOnTheWholeText) {
  const auto items = rows({"xxabcxx", "b"});
  const Fuse fuse;
  EXPECT_EQ(values(search.fuzzySearch("abd", items)).front(), "xxabcxx") << "0.353 before 0.667";
  EXPECT_EQ(values(search.fuzzySearch("ab", items)), (Values{"xxabcxx", "xxabcxx'", "b", "b'"}))
      << "0.02 before 0.5";
  EXPECT_NEAR(fuse.search("ab", "b")->score, 0.5, 1e-9);
}

TEST_F(SearchTest, UiTestingForcesThePlainStrategy) {
  ProcessArguments uiTesting({"marbrel", "ui-testing"});
  Configuration testing{defaults, uiTesting};
  Search plain{testing};
  configuration.setFuzzySearch(true);
  EXPECT_TRUE(plain.searchItems("qry", rows({"query"})).empty());
  EXPECT_EQ(search.searchItems("qry", rows({"query"})).size(), 2u);
}

}  // namespace
}  // namespace marbrel::testing
