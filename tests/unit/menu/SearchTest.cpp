#include <random>

#include "MenuFixture.h"
#include "core/menu/MenuEntries.h"
#include "core/menu/RowText.h"
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

TEST_F(SearchTest, FuzzySearchRanksByScoreStablyAndDropsWhatItCannotReach) {
  configuration.setFuzzySearch(true);
  const auto items = rows({"xx query", "query", "qurey", std::string(150, '.') + "query", "xx query 2"});
  EXPECT_EQ(search.searchItems("", items), items);
  EXPECT_EQ(pairs(search.searchItems("query", items)), (Texts{"query", "xx query", "xx query 2", "qurey"}));
  EXPECT_TRUE(search.searchItems("zzzzz", items).empty());
}

// The menu searches its entries' prepared texts in parts shared out among threads; what it finds,
// and in which order, must be exactly what searching the rows' own texts finds.
TEST_F(SearchTest, SearchingThePreparedTextsFindsWhatSearchingTheRowsFinds) {
  const Texts pieces = {"clip", "Board", " ", "\n", "\r\n", "query", "qurey", "ΟΔΟΣ", "σ", "ς", "e\u0301",
                        "İ", "ß", "Straße", "\U0001F468\u200D\U0001F469", "中文", "#FF0000", "x", "  "};
  std::mt19937 rng(9);
  const auto text = [&](std::size_t pieceCount) {
    std::string made;
    for (std::size_t i = 0; i < pieceCount; ++i) made += pieces[rng() % pieces.size()];
    return made;
  };
  std::string longText;
  for (int i = 0; i < 5000; ++i) {
    switch (i % 50) {
      case 0: addEntry({{std::string("image/png"), FakeImageDecoder::encode(4, 4)}}); break;
      case 1: addText("\xFF\xFE not UTF-8"); break;
      case 2: addText(longText = text(400)); break;  // searched by its beginning where that serves
      default: addText(text(1 + rng() % 12));
    }
  }
  MenuEntries entries(*store, search.fuse());
  entries.update(MenuEntries::SortKey::lastCopiedAt, true);
  const auto& order = *entries.order();
  Search::Items rowsInOrder;
  for (const auto slot : order) {
    const auto presentation = EntryPresentation::make(entries.entry(slot).get(), images, strings);
    for (int member = 0; member < 2; ++member) {
      rowsInOrder.push_back(std::make_shared<HistoryMenuItem>(entries.entry(slot), nullptr, presentation, 40));
    }
  }
  Texts queries = {"", "query", "QUERY", "ς", "σ", "ss", "straße", "e", "\u0301", "#ff", std::string(70, 'q')};
  for (int q = 0; q < 25; ++q) {
    const std::string source = text(30);
    const std::size_t start = rng() % 20;
    queries.push_back(source.substr(start, 1 + rng() % 90));
  }
  // Queries beyond the matcher's reach, up to a whole long text: only equality can match.
  queries.push_back(std::string(300, 'q'));
  queries.push_back(longText);
  for (const bool fuzzy : {false, true}) {
    configuration.setFuzzySearch(fuzzy);
    for (const auto& query : queries) {
      if (!row_text::isValidUtf8(query)) continue;
      const auto rows = search.searchItems(query, rowsInOrder);
      for (const std::size_t limit : {std::size_t{0}, std::size_t{3}, std::size_t{700}}) {
        SCOPED_TRACE("fuzzy " + std::to_string(fuzzy) + ", limit " + std::to_string(limit) + ", query " + query);
        std::vector<HistoryItemPtr> expected;
        for (std::size_t i = 0; i < rows.size() && (limit == 0 || expected.size() < limit); i += 2) {
          expected.push_back(rows[i]->item());
        }
        std::vector<HistoryItemPtr> found;
        for (const auto slot : search.searchEntries(query, order, entries, limit)) found.push_back(entries.entry(slot));
        ASSERT_EQ(found, expected);
      }
    }
  }
}

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
