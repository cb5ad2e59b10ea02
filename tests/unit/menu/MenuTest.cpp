#include <algorithm>
#include <set>

#include "MenuFixture.h"

namespace marbrel::testing {
namespace {

using Rows = std::vector<std::string>;

class MenuTest : public MenuFixture {};

TEST_F(MenuTest, OpeningBuildsOnePairPerEntryNewestFirstBetweenHeaderAndFooter) {
  addText("one");
  addText("two");
  addText("three");
  menu->menuWillOpen();

  EXPECT_EQ(shownRows(), (Rows{"three", "three'", "two", "two'", "one", "one'"}));
  EXPECT_EQ(menu->itemAt(0), header);
  EXPECT_EQ(menu->itemAt(7)->tag(), menuFooterTag(MenuFooter::separator));
  EXPECT_EQ(menu->size(), 1u + 6u + 6u);
  EXPECT_EQ(menu->historyItems().size(), 6u);
  EXPECT_EQ(highlightedRow(), row("three"));
  EXPECT_EQ(menu->minimumWidth(), 300.0);
}

TEST_F(MenuTest, PasteByDefaultDecidesWhichRowOfAPairIsTheAlternate) {
  addText("text");
  for (const bool pasteByDefault : {false, true}) {
    configuration.setPasteByDefault(pasteByDefault);
    menu->menuWillOpen();
    const auto primary = row("text");
    const auto alternate = row("text", true);
    ASSERT_TRUE(primary && alternate);
    EXPECT_FALSE(primary->isHidden());
    EXPECT_TRUE(alternate->isHidden());
    EXPECT_EQ(primary->keyEquivalentModifierMask(), modifier_flags::kCommand);
    EXPECT_EQ(alternate->keyEquivalentModifierMask(), modifier_flags::kOption);
    EXPECT_EQ(primary->keyEquivalent(), "1");
    EXPECT_EQ(alternate->keyEquivalent(), "1");

    keys.events.clear();
    primary->performAction();
    EXPECT_EQ(pasteboard.writes().size(), 1u);
    queue.runUntilIdle();
    EXPECT_EQ(keys.events.empty(), !pasteByDefault) << "primary pastes only with pasteByDefault";
    keys.events.clear();
    alternate->performAction();
    queue.runUntilIdle();
    EXPECT_EQ(keys.events.empty(), pasteByDefault);
  }
}

TEST_F(MenuTest, ChoosingARowPutsTheEntryBackOnTheClipboard) {
  addEntry({{std::string("text/plain"), std::string("hello")}, {std::string("text/html"), std::string("<b>hello</b>")}});
  menu->menuWillOpen();
  row("hello")->performAction();
  EXPECT_EQ(pasteboard.declaredTypes(), (Rows{"text/plain", "text/html"}));
}

TEST_F(MenuTest, SortBySettingOrdersTheRows) {
  const auto a = addText("a");
  addText("b");
  a->setNumberOfCopies(5);
  store->saveContext();
  configuration.setSortBy("numberOfCopies");
  menu->menuWillOpen();
  EXPECT_EQ(shownTitles(), (Rows{"a", "b"}));
  configuration.setSortBy("firstCopiedAt");
  menu->menuWillOpen();
  EXPECT_EQ(shownTitles(), (Rows{"b", "a"}));
}

TEST_F(MenuTest, TheFirstNineUnpinnedPairsAreNumberedAndPinnedOnesKeepTheirLetter) {
  for (int i = 1; i <= 12; ++i) addText("t" + std::to_string(i));
  const auto pinned = addText("pinned");
  pinned->setPin("x");
  store->saveContext();
  configuration.setPinTo("top");
  menu->menuWillOpen();

  EXPECT_EQ(shownTitles().front(), "pinned");
  EXPECT_EQ(shownKeys(), (Rows{"x", "1", "2", "3", "4", "5", "6", "7", "8", "9", "", "", ""}));
  EXPECT_EQ(row("pinned")->state(), MenuItem::State::on);
  EXPECT_EQ(highlightedRow(), row("t12")) << "the first unpinned row is highlighted";
}

TEST_F(MenuTest, TheLimitShowsTheTopPairsButSearchReachesEveryEntry) {
  for (int i = 1; i <= 10; ++i) addText("entry " + std::to_string(i));
  configuration.setMaxMenuItems(3);
  menu->menuWillOpen();
  EXPECT_EQ(shownTitles(), (Rows{"entry 10", "entry 9", "entry 8"}));
  EXPECT_EQ(menu->historyItems().size(), 20u);

  menu->updateFilter("entry 2");
  EXPECT_EQ(shownTitles(), (Rows{"entry 2"}));
  menu->updateFilter("entry");
  EXPECT_EQ(shownTitles(), (Rows{"entry 10", "entry 9", "entry 8"})) << "at most three pairs";
  menu->updateFilter("1");
  EXPECT_EQ(shownTitles(), (Rows{"entry 10", "entry 1"}));
  menu->updateFilter("");
  EXPECT_EQ(shownTitles(), (Rows{"entry 10", "entry 9", "entry 8"}));
  EXPECT_EQ(menu->itemAt(0), header);
  EXPECT_EQ(menu->size(), 1u + 6u + 6u) << "footer untouched";
}

TEST_F(MenuTest, PinnedEntriesBeyondTheLimitStay) {
  const auto old = addText("old pinned");
  old->setPin("a");
  for (int i = 1; i <= 5; ++i) addText("u" + std::to_string(i));
  store->saveContext();
  configuration.setMaxMenuItems(2);
  menu->menuWillOpen();
  EXPECT_EQ(shownTitles(), (Rows{"u5", "old pinned"})) << "pinned rows count against the limit";
}

TEST_F(MenuTest, NoLimitWhenMaxMenuItemsIsZeroOrNegative) {
  for (int i = 1; i <= 4; ++i) addText("u" + std::to_string(i));
  configuration.setMaxMenuItems(-3);
  menu->menuWillOpen();
  EXPECT_EQ(shownTitles().size(), 4u);
  configuration.setMaxMenuItems(0);
  menu->menuWillOpen();
  menu->updateFilter("u");
  EXPECT_EQ(shownTitles().size(), 4u);
}

TEST_F(MenuTest, AFilterIsRenumberedFromOneAndHighlightsItsFirstRow) {
  addText("apple");
  addText("banana");
  addText("apricot");
  menu->menuWillOpen();
  menu->updateFilter("AP");
  EXPECT_EQ(shownTitles(), (Rows{"apricot", "apple"}));
  EXPECT_EQ(shownKeys(), (Rows{"1", "2"}));
  EXPECT_EQ(row("banana"), nullptr);
  EXPECT_EQ(highlightedRow(), row("apricot"));

  menu->updateFilter("zzz");
  EXPECT_TRUE(shownTitles().empty());
  EXPECT_EQ(menu->highlightedItem(), nullptr);
  menu->updateFilter("");
  EXPECT_EQ(shownTitles(), (Rows{"apricot", "banana", "apple"}));
  EXPECT_EQ(shownKeys(), (Rows{"1", "2", "3"}));
}

TEST_F(MenuTest, FuzzySettingRanksTheFilterByScore) {
  addText("xx hello");
  addText("hello");
  addText("zzz");
  menu->menuWillOpen();
  configuration.setFuzzySearch(true);
  menu->updateFilter("hello");
  EXPECT_EQ(shownTitles(), (Rows{"hello", "xx hello"}));
}

TEST_F(MenuTest, DownAndUpMoveAmongCandidatesAndWrap) {
  addText("a");
  addText("b");
  menu->menuWillOpen();
  const auto clear = menu->itemWithTag(menuFooterTag(MenuFooter::clear));
  const auto quit = menu->itemWithTag(menuFooterTag(MenuFooter::quit));
  ASSERT_EQ(highlightedRow(), row("b"));

  menu->selectNext(false);
  EXPECT_EQ(highlightedRow(), row("a"));
  menu->selectNext(false);
  EXPECT_EQ(menu->highlightedItem(), clear) << "enabled footer items are candidates";
  menu->selectLast(false);
  EXPECT_EQ(menu->highlightedItem(), quit);
  menu->selectNext(false);
  EXPECT_EQ(highlightedRow(), row("b")) << "Down on the last wraps to the first";
  menu->selectPrevious(false);
  EXPECT_EQ(menu->highlightedItem(), quit) << "Up on the first wraps to the last";
  menu->selectPrevious(false);
  EXPECT_EQ(menu->highlightedItem(), menu->itemWithTag(menuFooterTag(MenuFooter::about)));

  menu->highlight(nullptr);
  EXPECT_EQ(menu->highlightedItem(), nullptr) << "the disabled header cannot hold the highlight";
  menu->selectNext(false);
  EXPECT_EQ(highlightedRow(), row("a")) << "with nothing highlighted the first counts as current";

  menu->selectNext(true);
  EXPECT_EQ(menu->highlightedItem(), menu->itemWithTag(menuFooterTag(MenuFooter::clearAll)))
      << "Option-Down moves on from the alternate of the highlighted primary";
  menu->selectPrevious(true);
  EXPECT_EQ(highlightedRow(), row("a", true));
  menu->selectNext(false);
  EXPECT_EQ(menu->highlightedItem(), menu->itemWithTag(menuFooterTag(MenuFooter::clear)))
      << "Down moves on from the primary of the highlighted alternate";
}

TEST_F(MenuTest, HighlightingAnItemNoLongerInTheMenuHighlightsNothing) {
  addText("a");
  menu->menuWillOpen();
  const auto stale = row("a");
  menu->menuWillOpen();
  menu->highlight(stale.get());
  EXPECT_EQ(menu->highlightedItem(), nullptr);
}

TEST_F(MenuTest, DeletingTheHighlightedAlternateRemovesThePairAndMovesToTheNextPair) {
  addText("a");
  addText("b");
  addText("c");
  menu->menuWillOpen();
  menu->highlight(row("b", true).get());

  menu->deleteHighlightedItem();
  EXPECT_EQ(shownRows(), (Rows{"c", "c'", "a", "a'"}));
  EXPECT_EQ(menu->historyItems().size(), 4u);
  EXPECT_EQ(highlightedRow(), row("a", true));
  EXPECT_EQ(store->count(), 2u);
  EXPECT_FALSE(store->hasChanges()) << "the deletion is committed at once";
  EXPECT_EQ(shownKeys(), (Rows{"1", "2"}));
}

TEST_F(MenuTest, DeletingWithThePrimaryHighlightedRemovesItsOwnPair) {
  addText("a");
  addText("b");
  addText("c");
  menu->menuWillOpen();
  menu->highlight(row("c").get());

  menu->deleteHighlightedItem();
  EXPECT_EQ(shownRows(), (Rows{"b", "b'", "a", "a'"}));
  EXPECT_EQ(menu->itemAt(0), header) << "the header is never taken for a partner";
  EXPECT_EQ(highlightedRow(), row("b"));
  EXPECT_EQ(store->count(), 2u);
}

TEST_F(MenuTest, DeletingWhileFilteredNumbersTheShownRows) {
  addText("apple");
  addText("banana");
  addText("apricot");
  addText("avocado");
  menu->menuWillOpen();
  menu->updateFilter("ap");
  menu->highlight(row("apricot", true).get());
  menu->deleteHighlightedItem();
  EXPECT_EQ(shownTitles(), (Rows{"apple"}));
  EXPECT_EQ(shownKeys(), (Rows{"1"}));
}

TEST_F(MenuTest, DeleteAndPinIgnoreRowsThatAreNotHistoryRows) {
  addText("a");
  menu->menuWillOpen();
  menu->highlight(menu->itemWithTag(menuFooterTag(MenuFooter::quit)).get());
  menu->deleteHighlightedItem();
  menu->togglePin();
  EXPECT_EQ(store->count(), 1u);
  EXPECT_FALSE(store->all().front()->isPinned());
  EXPECT_EQ(shownTitles(), (Rows{"a"}));
}

TEST_F(MenuTest, TogglePinPinsBothRowsAndUnpinsThemAgain) {
  addText("a");
  const auto b = addText("b");
  configuration.setPinTo("bottom");
  menu->menuWillOpen();
  menu->highlight(row("b", true).get());

  menu->togglePin();
  ASSERT_TRUE(b->pin());
  const std::string letter = *b->pin();
  EXPECT_EQ(letter.size(), 1u);
  EXPECT_TRUE(Menu::availablePins().count(letter));
  EXPECT_FALSE(store->hasChanges());
  EXPECT_EQ(shownTitles(), (Rows{"a", "b"})) << "pinned entries go to the bottom";
  EXPECT_EQ(row("b")->keyEquivalent(), letter);
  EXPECT_EQ(row("b", true)->keyEquivalent(), letter);
  EXPECT_TRUE(row("b")->isPinned());
  EXPECT_EQ(row("b", true)->state(), MenuItem::State::on);
  EXPECT_EQ(highlightedRow(), row("b")) << "the highlight follows the entry";
  EXPECT_EQ(shownKeys(), (Rows{"1", letter}));

  menu->togglePin();
  EXPECT_FALSE(b->pin());
  EXPECT_EQ(shownTitles(), (Rows{"b", "a"}));
  EXPECT_EQ(row("b")->state(), MenuItem::State::off);
  EXPECT_EQ(shownKeys(), (Rows{"1", "2"}));
}

TEST_F(MenuTest, PinningWithThePrimaryHighlightedPinsOnlyThatEntry) {
  const auto a = addText("a");
  const auto b = addText("b");
  menu->menuWillOpen();
  menu->highlight(row("a").get());
  menu->togglePin();
  EXPECT_TRUE(a->pin());
  EXPECT_FALSE(b->pin());
}

TEST_F(MenuTest, PinLettersAreFreeLettersAndRunOutToTheEmptyPin) {
  std::set<std::string> given;
  for (int i = 0; i < 25; ++i) addText("t" + std::to_string(i));
  menu->menuWillOpen();
  for (int i = 0; i < 25; ++i) {
    // Highlight an unpinned entry's alternate and pin it.
    const auto it = std::find_if(menu->items().begin(), menu->items().end(), [](const auto& item) {
      auto row = std::dynamic_pointer_cast<HistoryMenuItem>(item);
      return row && row->isAlternate() && !row->isPinned();
    });
    ASSERT_NE(it, menu->items().end());
    menu->highlight(it->get());
    menu->togglePin();
    const auto entry = highlightedRow()->item();
    ASSERT_TRUE(entry->pin());
    given.insert(*entry->pin());
  }
  EXPECT_EQ(given.size(), 25u) << "24 distinct letters and then the empty pin";
  EXPECT_TRUE(given.count(""));
  EXPECT_FALSE(given.count("p"));
  EXPECT_FALSE(given.count("q"));
  EXPECT_EQ(menu->nextAvailablePin(), "");
  for (const auto& item : menu->historyItems()) EXPECT_TRUE(item->isPinned());
}

TEST_F(MenuTest, AnEntryPinnedWithTheEmptyStringShowsThePinButNoKey) {
  const auto entry = addText("a");
  entry->setPin("");
  store->saveContext();
  menu->menuWillOpen();
  EXPECT_TRUE(row("a")->isPinned());
  EXPECT_EQ(row("a")->keyEquivalent(), "");
  EXPECT_EQ(row("a")->state(), MenuItem::State::on);
  EXPECT_EQ(menu->highlightedItem(), nullptr) << "no unpinned row to highlight";
}

TEST_F(MenuTest, RemoveItemsTakesRowsOutOfMenuAndList) {
  addText("a");
  addText("b");
  menu->menuWillOpen();
  menu->removeItems({row("a"), row("a", true)});
  EXPECT_EQ(shownRows(), (Rows{"b", "b'"}));
  EXPECT_EQ(menu->historyItems().size(), 2u);
  menu->removeItems(menu->historyItems());
  EXPECT_TRUE(menu->historyItems().empty());
  EXPECT_EQ(menu->size(), 7u);
}

TEST_F(MenuTest, RebuildReadsTheHistoryAgainAndTrimsIt) {
  addText("a");
  menu->menuWillOpen();
  addText("b");
  EXPECT_EQ(shownTitles(), (Rows{"a"})) << "a new copy does not touch the menu";
  configuration.setHistorySize(1);
  menu->menuWillOpen();
  EXPECT_EQ(shownTitles(), (Rows{"b"}));
}

TEST_F(MenuTest, ObserversHearOnceForAWholeRebuild) {
  for (int i = 0; i < 5; ++i) addText("t" + std::to_string(i));
  int notifications = 0;
  menu->addObserver([&notifications] { ++notifications; });
  menu->menuWillOpen();
  EXPECT_EQ(notifications, 1);
  menu->updateFilter("t1");
  EXPECT_EQ(notifications, 2);
}

}  // namespace
}  // namespace marbrel::testing
