#include "MenuFixture.h"

#include "core/menu/Search.h"

namespace marbrel::testing {
namespace {

class SearchTest : public MenuFixture {
 protected:
  // Two rows per text, as the menu holds them, in the given order.
  Search::Items rows(const Texts& texts) {
    Search::Items items;
    for (const auto& text : texts) {
      const auto entry = addText(text);
      const auto presentation = EntryPresentation::make(entry.get(), images, strings);
      items.push_back(std::make_shared<HistoryMenuItem>(entry, nullptr, presentation, 40));
      items.push_back(std::make_shared<HistoryMenuItem>(entry, nullptr, presentation, 40));
    }
    return items;
  }
  // The value of each pair found (both of its rows must be there, adjacent).
  static Texts pairs(const Search::Items& items) {
    Texts values;
    for (std::size_t i = 0; i < items.size(); i += 2) {
      EXPECT_TRUE(i + 1 < items.size() && items[i]->item() == items[i + 1]->item());
      values.push_back(items[i]->value());
    }
    return values;
  }

  Search search{configuration};
};

TEST_F(SearchTest, PlainSearchIgnoresCaseByUnicodeFoldingAndKeepsTheOrder) {
  const auto items = rows({"say Hello there", "nothing", "HELLO", "hel lo", "Straße", "ÉCOLE", "ecole"});
  EXPECT_EQ(search.searchItems("", items), items);
  EXPECT_EQ(pairs(search.searchItems("hELLo", items)), (Texts{"say Hello there", "HELLO"}));
  EXPECT_EQ(pairs(search.searchItems("STRASSE", items)), (Texts{"Straße"}));
  EXPECT_EQ(pairs(search.searchItems("école", items)), (Texts{"ÉCOLE"})) << "accents count";
  EXPECT_EQ(pairs(search.searchItems("ΣΊΣΥΦΟΣ", rows({"σίσυφος"}))), (Texts{"σίσυφος"}));
}

TEST_F(SearchTest, ImageRowsNeverMatch) {
  auto items = rows({"png"});
  const auto image = addEntry({{std::string("image/png"), FakeImageDecoder::encode(5, 5)}});
  items.push_back(HistoryMenuItem::make(image, nullptr, configuration, images, strings));
  EXPECT_EQ(search.searchItems("png", items).size(), 2u);
  configuration.setFuzzySearch(true);
  EXPECT_EQ(search.searchItems("png", items).size(), 2u);
}

TEST_F(SearchTest, FuzzySearchRanksByScoreStablyAndDropsWhatItCannotReach) {
  configuration.setFuzzySearch(true);
  const auto items = rows({"xx query", "query", "qurey", std::string(150, '.') + "query", "xx query 2"});
  EXPECT_EQ(search.searchItems("", items), items);
  EXPECT_EQ(pairs(search.searchItems("query", items)), (Texts{"query", "xx query", "xx query 2", "qurey"}));
  EXPECT_TRUE(search.searchItems("zzzzz", items).empty());
  EXPECT_EQ(pairs(search.fuzzySearch("ab", rows({"b", "xxabcxx"}))), (Texts{"xxabcxx", "b"}))
      << "0.02 before 0.5";
}

TEST_F(SearchTest, UiTestingAlwaysSearchesPlainly) {
  const ProcessArguments uiTesting({"marbrel", "ui-testing"});
  const Configuration testing{defaults, uiTesting};
  configuration.setFuzzySearch(true);
  const auto items = rows({"query"});
  EXPECT_TRUE(Search(testing).searchItems("qry", items).empty());
  EXPECT_EQ(search.searchItems("qry", items).size(), 2u);
}

}  // namespace
}  // namespace marbrel::testing
