#include "MenuFixture.h"
#include "core/menu/MenuModel.h"

namespace marbrel::testing {
namespace {

class MenuTest : public MenuFixture {};

class HistoryMenuItemTest : public MenuFixture {
 protected:
  HistoryMenuItemPtr rowFor(std::vector<NewContent> contents) {
    return HistoryMenuItem::make(addEntry(std::move(contents)),
                                 [this](HistoryMenuItem& item) { chosen.push_back(item.title()); },
                                 configuration, images, strings);
  }
  HistoryMenuItemPtr textRow(const std::string& text) { return rowFor({{std::string("text/plain"), text}}); }
  static bool noImage(const HistoryMenuItemPtr& row) { return std::holds_alternative<NoImage>(row->image()); }

  Texts chosen;
};

TEST_F(HistoryMenuItemTest, TextAndFileRowsShowAShortTitleAndTheWholeTextInTheTooltipAndSearch) {
  strings.set("history_item_tooltip", "Option pastes");
  const std::string text = "\n  " + std::string(51, 'w') + "  \n";
  const auto row = textRow(text);
  EXPECT_EQ(row->title(), std::string(50, 'w') + "...");
  EXPECT_EQ(row->value(), text);
  EXPECT_EQ(row->toolTip(), text + "\n \n\nOption pastes");
  EXPECT_TRUE(noImage(row));
  EXPECT_EQ(textRow(std::string(6000, 'x'))->toolTip(), std::string(5000, 'x') + "...\n \n\nOption pastes");

  strings.set("history_item_file_list", "{name} und {count} weitere");
  const std::string list = "file:///tmp/a.txt\r\nfile:///tmp/b.txt\r\nfile:///tmp/c.txt\r\n";
  const auto files = rowFor({{std::string("text/uri-list"), list}, {std::string("text/plain"), std::string("/tmp/a.txt")}});
  EXPECT_EQ(files->title(), "a.txt und 2 weitere");
  EXPECT_EQ(files->value(), list) << "what search sees";
  EXPECT_EQ(std::get<SwatchImage>(textRow("  #FF0000\n")->image()).color, (Color{1, 0, 0, 1}));
}

TEST_F(HistoryMenuItemTest, ImageRowShowsAPreviewWithinTheLimits) {
  const auto wide = rowFor({{std::string("text/plain"), std::string("caption")},
                            {std::string("image/png"), FakeImageDecoder::encode(680, 100)}});
  EXPECT_EQ(wide->title() + wide->value(), "") << "search sees nothing of an image";
  EXPECT_EQ(wide->toolTip(), "history_item_tooltip");
  const auto preview = std::get<ThumbnailImage>(wide->image());
  EXPECT_DOUBLE_EQ(preview.width, 272);  // 340 x 50 for the width, then 272 x 40 for the height
  EXPECT_DOUBLE_EQ(preview.height, 40);
  EXPECT_DOUBLE_EQ(HistoryMenuItem::thumbnailSize({20, 10}, 40).width, 20) << "never enlarged";
  configuration.setImageMaxHeight(100);
  const auto tiff = rowFor({{std::string("image/tiff"), FakeImageDecoder::encode(100, 400)}});
  EXPECT_DOUBLE_EQ(std::get<ThumbnailImage>(tiff->image()).width, 25);
}

TEST_F(HistoryMenuItemTest, UnreadableContentsGiveAnEmptyRowThatCanStillBeChosen) {
  for (const auto& contents : std::vector<std::vector<NewContent>>{
           {{std::string("image/png"), std::string("not an image")}, {std::string("text/plain"), std::string("t")}},
           {{std::string("image/png"), std::nullopt}},
           {{std::string("text/plain"), std::string("\xFF\xFE broken")}},
           {{std::nullopt, std::string("a content with no type, as a damaged store may hold")}}}) {
    const auto row = rowFor(contents);
    EXPECT_EQ(row->title() + row->toolTip(), "");
    EXPECT_TRUE(noImage(row));
    row->performAction();
  }
  EXPECT_EQ(chosen, (Texts{"", "", "", ""}));
}

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
  menu->updateFilter("entry 2");
  EXPECT_EQ(shownTitles(), (Texts{"entry 2"}));
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
  // A history size lowered by another writer (the command line) takes effect at the next opening.
  configuration.setHistorySize(1);
  menu->menuWillOpen();
  EXPECT_EQ(shownTitles(), (Texts{"entry 10", "pinned"}));
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
  menu->updateFilter("");
  EXPECT_EQ(shownKeys(), (Texts{"1", "2", "3", "4"}));
}

TEST_F(MenuTest, AFilteredRowMarksWhereTheQueryMatchedItsTitle) {
  strings.set("history_item_file_list", "{count} beside {name}, {count} in all");
  addText("pineapple");
  addEntry({{std::string("text/uri-list"), std::string("file:///home/apples/An%20Apple.txt\r\nfile:///tmp/b\r\n")}});
  addText("banana");
  menu->menuWillOpen();
  menu->updateFilter("APP");
  EXPECT_EQ(menu->titleMarks(*row("pineapple")), (TitleMarks{{4, 7}}));
  EXPECT_EQ(menu->titleMarks(*row("1 beside An Apple.txt, 1 in all")), (TitleMarks{{12, 15}}))
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
  EXPECT_FALSE(store->hasChanges());
  EXPECT_EQ(shownTitles(), (Texts{"a", "b"})) << "pinned entries go to the bottom";
  EXPECT_EQ(shownKeys(), (Texts{"1", letter}));
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

// The menu model itself, under every menu the program draws.
MenuItemPtr item(const std::string& title) { return std::make_shared<MenuItem>(title); }

TEST(MenuModel, ADisabledItemTakesNoHighlightAndTheHighlightLeavesWithTheItem) {
  MenuModel menu;
  const auto a = item("a");
  const auto disabled = item("disabled");
  disabled->setEnabled(false);
  for (const auto& entry : {a, disabled}) menu.addItem(entry);
  menu.highlightItem(a.get());
  menu.highlightItem(disabled.get());
  EXPECT_EQ(menu.highlightedItem(), nullptr);
  menu.highlightItem(a.get());
  menu.removeItemsIf([](const MenuItem& entry) { return entry.title() == "a"; });
  EXPECT_EQ(menu.highlightedItem(), nullptr);
  EXPECT_EQ(a->menu(), nullptr);
}

TEST(MenuModel, ObserversHearEveryRealChangeUntilRemoved) {
  MenuModel menu;
  const auto a = item("a");
  menu.addItem(a);
  int heard = 0;
  const auto id = menu.addObserver([&heard] { ++heard; });
  a->setTitle("A");
  a->setKeyEquivalentModifierMask(modifier_flags::kOption);
  EXPECT_EQ(heard, 2);
  menu.highlightItem(a.get());
  a->setKeyEquivalent("2");
  EXPECT_EQ(heard, 4) << "a moved highlight and a new key equivalent are redrawn";
  menu.removeObserver(id);
  menu.removeAllItems();
  a->setTitle("detached");
  EXPECT_EQ(heard, 4);
}

}  // namespace
}  // namespace marbrel::testing
