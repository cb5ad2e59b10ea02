#include <algorithm>
#include <set>

#include "MenuFixture.h"

namespace marbrel::testing {
namespace {

class MenuTest : public MenuFixture {};

TEST_F(MenuTest, OpeningBuildsOnePairPerEntryNewestFirstBetweenHeaderAndFooter) {
  addText("one");
  addEntry({{std::string("text/plain"), std::string("two")}, {std::string("text/html"), std::string("<b>two</b>")}});
  menu->menuWillOpen();
  EXPECT_EQ(shownRows(), (Texts{"two", "two'", "one", "one'"}));
  EXPECT_TRUE(menu->itemAt(0) == header && menu->itemAt(5) == footer(MenuFooter::separator));
  EXPECT_EQ(highlightedRow(), row("two"));

  for (const bool pasteByDefault : {false, true}) {
    configuration.setPasteByDefault(pasteByDefault);
    menu->menuWillOpen();
    const auto primary = row("two");
    const auto alternate = row("two", true);
    EXPECT_TRUE(alternate->isHidden() && !primary->isHidden());
    EXPECT_EQ(std::pair(primary->keyEquivalentModifierMask(), alternate->keyEquivalentModifierMask()),
              std::pair(modifier_flags::kCommand, modifier_flags::kOption));
    EXPECT_EQ(alternate->keyEquivalent(), primary->keyEquivalent());
    // The paste row copies and then pastes; the copy row only copies.
    for (const auto& chosen : {primary, alternate}) {
      keys.events.clear();
      chosen->performAction();
      queue.runUntilIdle();
      EXPECT_EQ(pasteboard.declaredTypes(), (Texts{"text/plain", "text/html"}));
      EXPECT_EQ(keys.events.empty(), (chosen == primary) != pasteByDefault);
    }
  }
}

TEST_F(MenuTest, ChoosingALargeImageCopiesItsBytesAndDoesNotKeepThemInMemory) {
  const std::string image(3 * 1024 * 1024, '\x89');
  images.setSize(image, {4000, 3000});
  const auto entry = addEntry({{std::string("image/png"), image}, {std::string("text/plain"), std::string("caption")}});
  menu->menuWillOpen();
  const auto& bytes = *entry->contents()[0];
  ASSERT_FALSE(bytes.isValueLoaded()) << "stored, not held";
  for (const bool paste : {false, true}) {
    SCOPED_TRACE(paste ? "the paste row" : "the copy row");
    const auto chosen = row("", paste != configuration.pasteByDefault());
    ASSERT_TRUE(chosen && chosen->item() == entry);
    chosen->performAction();
    queue.runUntilIdle();
    ASSERT_EQ(pasteboard.writes().size(), 2u);
    EXPECT_TRUE(pasteboard.writes()[0].second == image);
    EXPECT_FALSE(bytes.isValueLoaded()) << "released after the copy";
  }
}

TEST_F(MenuTest, SettingsOrderTheRowsAndTheFirstNineUnpinnedPairsAreNumbered) {
  for (int i = 1; i <= 12; ++i) addText("t" + std::to_string(i));
  addText("pinned")->setPin("x");
  store->all().back()->setNumberOfCopies(5);
  store->saveContext();
  menu->menuWillOpen();
  EXPECT_EQ(shownTitles().front(), "t12");
  EXPECT_EQ(shownTitles().back(), "pinned");
  configuration.setPinTo("top");
  configuration.setSortBy("numberOfCopies");
  menu->menuWillOpen();
  EXPECT_EQ(shownTitles().at(1), "t1");
  EXPECT_EQ(shownKeys(), (Texts{"x", "1", "2", "3", "4", "5", "6", "7", "8", "9", "", "", ""}));
  EXPECT_EQ(row("pinned")->state(), MenuItem::State::on);
  EXPECT_EQ(highlightedRow(), row("t1")) << "the first unpinned row is highlighted";
}

TEST_F(MenuTest, TheLimitShowsTheTopPairsAndSearchStillReachesEveryEntry) {
  for (int i = 1; i <= 10; ++i) addText("entry " + std::to_string(i));
  configuration.setMaxMenuItems(3);
  menu->menuWillOpen();
  EXPECT_EQ(shownTitles(), (Texts{"entry 10", "entry 9", "entry 8"}));
  EXPECT_EQ(menu->historyItems().size(), 20u);
  menu->updateFilter("entry 2");
  EXPECT_EQ(shownTitles(), (Texts{"entry 2"}));
  menu->updateFilter("1");
  EXPECT_EQ(shownTitles(), (Texts{"entry 10", "entry 1"}));
  menu->updateFilter("entry");
  EXPECT_EQ(shownTitles(), (Texts{"entry 10", "entry 9", "entry 8"})) << "at most three pairs";

  // Pinned rows stay beyond the limit and count against it; zero or less is no limit.
  addText("pinned")->setPin("a");
  store->saveContext();
  menu->menuWillOpen();
  EXPECT_EQ(shownTitles(), (Texts{"entry 10", "entry 9", "pinned"}));
  configuration.setMaxMenuItems(-3);
  menu->menuWillOpen();
  EXPECT_EQ(shownTitles().size(), 11u);
}

TEST_F(MenuTest, AFilterShowsMatchesRenumberedFromOneAndHighlightsTheFirst) {
  for (const char* text : {"apple", "banana", "apricot", "zzz"}) addText(text);
  menu->menuWillOpen();
  menu->updateFilter("AP");
  EXPECT_EQ(shownTitles(), (Texts{"apricot", "apple"}));
  EXPECT_EQ(shownKeys(), (Texts{"1", "2"}));
  EXPECT_EQ(highlightedRow(), row("apricot"));
  menu->updateFilter("nothing like it");
  EXPECT_EQ(menu->highlightedItem(), nullptr);
  EXPECT_EQ(menu->size(), 7u);
  menu->updateFilter("");
  EXPECT_EQ(shownKeys(), (Texts{"1", "2", "3", "4"}));
}

TEST_F(MenuTest, AFilteredRowMarksWhereTheQueryMatchedItsTitle) {
  strings.set("history_item_file_list", "{count} more beside {name}");
  addText("pineapple");
  addEntry({{std::string("text/uri-list"), std::string("file:///home/apples/An%20Apple.txt\r\nfile:///tmp/b\r\n")}});
  addText("banana");
  menu->menuWillOpen();
  menu->updateFilter("APP");
  EXPECT_EQ(menu->titleMarks(*row("pineapple")), (TitleMarks{{4, 7}}));
  EXPECT_EQ(menu->titleMarks(*row("pineapple", true)), (TitleMarks{{4, 7}})) << "the alternate row too";
  EXPECT_EQ(menu->titleMarks(*row("1 more beside An Apple.txt")), (TitleMarks{{17, 20}}))
      << "a file row marks the name where the localised title puts it";
  configuration.setFuzzySearch(true);
  menu->updateFilter("pple");
  EXPECT_EQ(menu->titleMarks(*row("pineapple")), (TitleMarks{{0, 1}, {3, 4}, {5, 9}}))
      << "the occurrence and the query's letters the matcher scanned";
  menu->updateFilter("");
  EXPECT_EQ(menu->titleMarks(*row("banana")), TitleMarks()) << "an unfiltered menu marks nothing";
}

TEST_F(MenuTest, DeletingRemovesTheHighlightedPairEntryAndMovesToTheNextPair) {
  for (const char* text : {"a", "b", "c", "d"}) addText(text);
  menu->menuWillOpen();
  menu->highlight(row("c", true).get());
  menu->deleteHighlightedItem();
  EXPECT_EQ(shownRows(), (Texts{"d", "d'", "b", "b'", "a", "a'"}));
  EXPECT_EQ(menu->historyItems().size(), 6u);
  EXPECT_EQ(highlightedRow(), row("b", true));
  EXPECT_FALSE(store->hasChanges()) << "committed at once";

  // With the primary highlighted its own pair goes, never the header or the pair above.
  menu->highlight(row("d").get());
  menu->deleteHighlightedItem();
  EXPECT_EQ(shownRows(), (Texts{"b", "b'", "a", "a'"}));
  EXPECT_EQ(highlightedRow(), row("b"));

  // While filtered, the shown rows are numbered from one.
  addText("xa");
  menu->menuWillOpen();
  menu->updateFilter("a");
  menu->highlight(row("xa").get());
  menu->deleteHighlightedItem();
  EXPECT_EQ(shownKeys(), (Texts{"1"}));

  menu->highlight(footer(MenuFooter::quit).get());
  menu->deleteHighlightedItem();
  menu->togglePin();
  EXPECT_EQ(store->count(), 2u) << "footer items are no history rows";
  EXPECT_FALSE(store->all().front()->isPinned());
}

TEST_F(MenuTest, TogglePinPinsTheHighlightedEntryWithAFreeLetterAndUnpinsIt) {
  addText("a");
  const auto b = addText("b");
  menu->menuWillOpen();
  menu->highlight(row("b", true).get());
  menu->togglePin();
  ASSERT_TRUE(b->pin());
  const std::string letter = *b->pin();
  EXPECT_TRUE(Menu::availablePins().count(letter));
  EXPECT_FALSE(store->hasChanges());
  EXPECT_EQ(shownTitles(), (Texts{"a", "b"})) << "pinned entries go to the bottom";
  EXPECT_EQ(shownKeys(), (Texts{"1", letter}));
  EXPECT_EQ(row("b", true)->keyEquivalent(), letter);
  EXPECT_TRUE(row("b")->isPinned() && row("b", true)->state() == MenuItem::State::on);
  EXPECT_EQ(highlightedRow(), row("b")) << "the highlight follows the entry";
  menu->togglePin();
  EXPECT_EQ(shownKeys(), (Texts{"1", "2"}));
  EXPECT_EQ(row("b")->state(), MenuItem::State::off);

  menu->highlight(row("a").get());  // a primary: its own entry is pinned, not its neighbour's
  menu->togglePin();
  EXPECT_TRUE(store->all().back()->pin());
  EXPECT_FALSE(b->pin());
}

TEST_F(MenuTest, PinLettersSkipPAndQAndRunOutToAnEmptyPinWithoutKey) {
  std::set<std::string> given;
  for (int i = 0; i < 25; ++i) addText("t" + std::to_string(i));
  menu->menuWillOpen();
  for (int i = 0; i < 25; ++i) {
    const auto& rows = menu->historyItems();
    const auto unpinned = std::find_if(rows.begin(), rows.end(), [](const auto& r) { return !r->isPinned(); });
    menu->highlight(unpinned->get());
    menu->togglePin();
    given.insert(*highlightedRow()->item()->pin());
  }
  EXPECT_EQ(given.size(), 25u);
  EXPECT_TRUE(given.count("") && !given.count("p") && !given.count("q"));
  EXPECT_EQ(menu->nextAvailablePin(), "");
  const auto emptyPin = std::find_if(menu->historyItems().begin(), menu->historyItems().end(),
                                     [](const auto& r) { return r->item()->pin() == ""; });
  EXPECT_TRUE((*emptyPin)->keyEquivalent().empty() && (*emptyPin)->state() == MenuItem::State::on);
  EXPECT_EQ(menu->highlightedItem(), *emptyPin);
  menu->menuWillOpen();
  EXPECT_EQ(menu->highlightedItem(), nullptr) << "no unpinned row to highlight";
}

TEST_F(MenuTest, RemoveItemsRebuildsAndNotificationsKeepMenuAndStoreInStep) {
  for (const char* text : {"a", "b"}) addText(text);
  int notifications = 0;
  menu->addObserver([&notifications] { ++notifications; });
  menu->menuWillOpen();
  EXPECT_EQ(notifications, 1) << "one notice for a whole rebuild";
  const auto stale = row("a");
  menu->removeItems({row("a"), row("a", true)});
  EXPECT_EQ(shownRows(), (Texts{"b", "b'"}));
  menu->highlight(stale.get());
  EXPECT_EQ(menu->highlightedItem(), nullptr) << "a row no longer in the menu";
  addText("c");
  EXPECT_EQ(shownTitles(), (Texts{"b"})) << "a new copy waits for the next opening";
  configuration.setHistorySize(1);
  menu->menuWillOpen();
  EXPECT_EQ(shownTitles(), (Texts{"c"}));
  menu->removeItems(menu->historyItems());
  EXPECT_EQ(menu->size(), 7u);
}

}  // namespace
}  // namespace marbrel::testing
