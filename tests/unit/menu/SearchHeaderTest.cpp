#include <map>

#include "MenuFixture.h"
#include "core/menu/SearchHeader.h"
#include "core/menu/SearchHeaderItem.h"
#include "fakes/FakeQueryFieldEditor.h"

namespace marbrel::testing {
namespace {

using namespace keycode;
using namespace flags;

// The history menu of MenuFixture with a real search header in its first row, three entries, and
// footer items whose actions count their runs by tag.
class SearchHeaderTest : public MenuFixture {
 protected:
  SearchHeaderTest() {
    defaults.registerDefault("avoidTakingFocus", true);
    menu->removeItem(*header);
    menu->insertItem(headerItem = makeHeaderItem(), 0);
    countFooterRuns();
    for (const char* text : {"alpha", "beta", "gamma"}) addText(text);
  }
  void countFooterRuns() {
    for (const auto& item : menu->items()) {
      if (item->tag() >= 100) item->setAction([this](MenuItem& sender) { ++footerRuns[sender.tag()]; });
    }
  }
  std::shared_ptr<SearchHeaderItem> makeHeaderItem() {
    auto made = std::make_unique<SearchHeader>(
        300, 29, SearchHeader::Services{configuration, queue, presenter, *sauce, [this] { return popupShortcut; }});
    return std::make_shared<SearchHeaderItem>("Marbrel", std::move(made));
  }
  SearchHeader& searchHeader() const { return headerItem->header(); }
  // The menu opens and is drawn, as the shell does it.
  void open() {
    menu->menuWillOpen();
    searchHeader().movedToWindow(true);
    searchHeader().didDraw();
  }
  bool press(std::uint16_t code, std::uint64_t modifiers = 0, std::optional<std::string> characters = std::nullopt) {
    return searchHeader().onKeyDown(code, modifiers, characters);
  }
  // Types one lower-case letter with no modifiers.
  bool type(char letter) {
    static const std::map<char, std::uint16_t> codes{{'a', a}, {'e', e}, {'l', l},
                                                     {'p', p}, {'t', 17}, {'x', x}};
    return press(codes.at(letter), 0, std::string(1, letter));
  }
  void enterQuery(const std::string& query) {
    searchHeader().setQuery(query, true);
    queue.advance(1);
  }
  std::string highlightedTitle() const {
    const auto& item = menu->highlightedItem();
    if (item && item->tag() == menuFooterTag(MenuFooter::quit)) return "quit";
    return item ? item->title() + (item->isAlternate() ? "'" : "") : "(none)";
  }

  FakeQueryFieldEditor editor;
  std::optional<SearchHeader::PopupShortcut> popupShortcut = SearchHeader::PopupShortcut{v, shift | command};
  std::shared_ptr<SearchHeaderItem> headerItem;
  std::map<int, int> footerRuns;
};

TEST_F(SearchHeaderTest, KeyPressesEditTheQueryOrGoOnToTheMenu) {
  struct Row {
    std::string query;
    std::uint16_t code;
    std::uint64_t modifiers;
    std::optional<std::string> characters;
    bool handled;
    std::string expected;
  };
  const Row rows[] = {
      {"abc", h, control, "h", true, "ab"},
      {"cafe\xCC\x81", deleteKey, 0, std::nullopt, true, "caf"},  // a whole accented letter
      {"foo bar", deleteKey, command, std::nullopt, true, ""},
      {"foo", deleteKey, command | capsLock, std::nullopt, true, "fo"},  // Caps Lock: one character
      {"foo", deleteKey, command | 0x108, std::nullopt, true, ""},  // device-dependent bits ignored
      {"foo bar", u, control, "u", true, ""},
      {"foo  bar  baz ", w, control, "w", true, "foo bar "},
      {"ab", space, 0, " ", true, "ab "},
      {"caf", e, 0, "e\xCC\x81", true, "cafe\xCC\x81"},
      {"ab", c, control, "c", false, "ab"},
      {"ab", a, 0, std::nullopt, false, "ab"},
      {"ab", a, 0, "xy", false, "ab"},  // a key that reports two characters types neither
      {"ab", forwardDelete, 0, "\x7f", false, "ab"},  // a control character types nothing
      {"ab", 200, 0, "z", false, "ab"},  // a key code without a key
  };
  open();
  for (const Row& row : rows) {
    SCOPED_TRACE(row.query + " " + std::to_string(row.code) + " " + row.characters.value_or("-"));
    searchHeader().setQuery(row.query, false);
    EXPECT_EQ(press(row.code, row.modifiers, row.characters), row.handled);
    EXPECT_EQ(searchHeader().query(), row.expected);
  }
}

TEST_F(SearchHeaderTest, OptionDeleteRemovesTheHighlightedPairAndOptionPPinsIt) {
  open();
  searchHeader().setQuery("kept", false);
  EXPECT_TRUE(press(deleteKey, option));
  EXPECT_EQ(shownTitles(), (Texts{"beta", "alpha"}));
  EXPECT_EQ(store->count(), 2u);
  EXPECT_EQ(searchHeader().query(), "kept");
  // Pinning clears the query without a filter: nothing re-orders the rebuilt menu later.
  enterQuery("alp");
  EXPECT_TRUE(press(p, option, "p"));
  EXPECT_EQ(searchHeader().query(), "");
  EXPECT_TRUE(row("alpha")->isPinned() && !row("beta")->isPinned());
  const auto before = shownRows();
  queue.advance(1);
  EXPECT_EQ(before, (Texts{"beta", "beta'", "alpha", "alpha'"}));
  EXPECT_EQ(shownRows(), before);
}

// Each key moves the highlight from where the one before left it; "quit" is the footer's last item.
TEST_F(SearchHeaderTest, ArrowsAndControlKeysMoveTheHighlightAndSkipHiddenItems) {
  struct Step { std::uint16_t code; std::uint64_t modifiers; const char* shown; const char* hiddenFooter; };
  const Step steps[] = {
      {downArrow, 0, "beta", "beta"},     {n, control, "alpha", "alpha"},
      {p, control, "beta", "beta"},       {upArrow, 0, "gamma", "gamma"},
      {upArrow, 0, "quit", "alpha"},      {downArrow, 0, "gamma", "gamma"},
      {downArrow, command, "quit", "alpha"}, {upArrow, command, "gamma", "gamma"},
      {downArrow, option, "beta'", "beta'"}, {upArrow, option, "gamma'", "gamma'"},
      {upArrow, option, "clear_all'", "alpha'"},
  };
  for (const bool hidden : {false, true}) {
    if (hidden) {
      searchHeader().movedToWindow(false);
      configuration.setHideFooter(true);
      rebuildFooter();
      countFooterRuns();
    }
    open();
    ASSERT_EQ(highlightedTitle(), "gamma");
    for (const Step& step : steps) {
      SCOPED_TRACE(std::to_string(step.code) + (hidden ? " with the footer hidden" : ""));
      EXPECT_TRUE(press(step.code, step.modifiers));
      EXPECT_EQ(highlightedTitle(), hidden ? step.hiddenFooter : step.shown);
    }
  }
  menu->highlight(footer(MenuFooter::quit).get());
  EXPECT_EQ(highlightedTitle(), "(none)") << "a hidden item takes no highlight";
  menu->selectLast(false);
  EXPECT_TRUE(press(returnKey, 0, "\r"));
  EXPECT_TRUE(footerRuns.empty());
  EXPECT_EQ(pasteboard.writes().back().second, "alpha");
}

TEST_F(SearchHeaderTest, ReturnChoosesTheShownRowOfTheHighlightedPairAndClosesTheMenu) {
  open();
  menu->highlight(nullptr);
  EXPECT_TRUE(press(returnKey, 0)) << "nothing highlighted: handled, menu stays";
  EXPECT_EQ(presenter.cancelCount, 0);
  EXPECT_TRUE(pasteboard.writes().empty());
  menu->selectFirst(false);
  EXPECT_TRUE(press(returnKey, 0, "\r"));
  EXPECT_EQ(pasteboard.writes().back().second, "gamma");
  EXPECT_EQ(presenter.cancelCount, 1);
  queue.advance(1);
  EXPECT_TRUE(keys.events.empty()) << "the copy row does not paste";
  // With Option held the alternate (paste) row is the one shown, though the primary is highlighted.
  EXPECT_TRUE(press(keypadEnter, option, "\x03"));
  queue.advance(1);
  EXPECT_FALSE(keys.events.empty());
  open();
  EXPECT_TRUE(press(upArrow, 0));
  press(returnKey, 0, "\r");
  EXPECT_EQ(footerRuns[footer(MenuFooter::quit)->tag()], 1) << "the menu's last item runs";
}

TEST_F(SearchHeaderTest, FooterCommandsRunByTagOnlyWhileTheFooterIsHidden) {
  open();
  searchHeader().setQuery("abc", false);
  // With the footer shown the keys go on to the menu, where the footer's items carry them.
  EXPECT_FALSE(press(deleteKey, command | option) || press(deleteKey, command | option | shift) ||
               press(comma, command, ","));
  EXPECT_TRUE(footerRuns.empty());
  configuration.setHideFooter(true);
  EXPECT_TRUE(press(deleteKey, command | option));
  EXPECT_TRUE(press(deleteKey, command | option | shift));
  EXPECT_FALSE(press(comma, command, ",")) << "the key press still goes on";
  EXPECT_EQ(footerRuns, (std::map<int, int>{{101, 1}, {106, 1}, {107, 1}}));
  EXPECT_EQ(presenter.cancelCount, 3);
}

TEST_F(SearchHeaderTest, ThePopupShortcutClosesTheMenuAndGoesOn) {
  open();
  EXPECT_FALSE(press(v, shift | command, "v"));
  EXPECT_EQ(presenter.cancelCount, 1);
}

TEST_F(SearchHeaderTest, ThreeCharactersFiftyMillisecondsApartFilterTwice) {
  addText("axe");
  open();
  queue.advance(1);  // no filter in the 0.2 s before
  EXPECT_TRUE(type('e'));
  queue.runUntilIdle();
  EXPECT_EQ(shownTitles(), (Texts{"axe", "beta"})) << "the first filters at once";
  queue.advance(0.05);
  EXPECT_TRUE(type('t'));
  queue.advance(0.05);
  EXPECT_TRUE(type('a'));
  // "et" alone would already drop "axe": the list staying so proves no filter ran in between.
  queue.advance(0.199);
  EXPECT_EQ(shownTitles(), (Texts{"axe", "beta"}));
  queue.advance(0.002);
  EXPECT_EQ(shownTitles(), Texts{"beta"}) << "0.2 s after the third, with all three";
}

// A typist presses a command key within 0.2 s of the last letter, while the filter for the query
// shown waits in the throttler: the command acts on the rows of that query ("alp" leaves only
// "alpha one"), not on those of "a" that are still on screen ("after the stall" on top).
TEST_F(SearchHeaderTest, KeysThatActOnTheRowsApplyTheWaitingQueryFirst) {
  struct Row {
    const char* why;
    std::uint16_t code;
    std::uint64_t modifiers;
    std::optional<std::string> characters;
    bool deletes;
  };
  const Row rows[] = {
      {"Return chooses", returnKey, 0, "\r", false},
      {"Option-Return chooses and pastes", returnKey, option, "\r", false},
      {"Option-Delete deletes", deleteKey, option, std::nullopt, true},
  };
  const Texts entries{"alpha one", "beta two", "after the stall"};
  for (const Row& step : rows) {
    SCOPED_TRACE(step.why);
    searchHeader().movedToWindow(false);
    queue.advance(1);
    history->clearAll();
    for (const auto& text : entries) addText(text);
    open();
    queue.advance(1);
    for (const char letter : std::string("alp")) {
      type(letter);
      queue.advance(0.025);
    }
    ASSERT_EQ(shownTitles().front(), "after the stall") << "the rows of \"a\" are on screen";
    const auto changeCount = pasteboard.changeCount();
    press(step.code, step.modifiers, step.characters);
    std::string acted;
    if (!step.deletes && pasteboard.changeCount() != changeCount) {
      acted = pasteboard.writes().back().second.value_or("");
    }
    if (step.deletes) {
      menu->menuWillOpen();  // every entry left has its rows again
      for (const auto& text : entries) {
        if (!row(text)) acted += text;
      }
    }
    EXPECT_EQ(acted, "alpha one");
  }
}

TEST_F(SearchHeaderTest, ClosingClearsTheQueryOnALaterTurnAndShowsEverythingAgain) {
  open();
  enterQuery("alp");
  ASSERT_EQ(shownTitles(), Texts{"alpha"});
  searchHeader().movedToWindow(false);
  EXPECT_FALSE(press(deleteKey)) << "no interception while closed";
  EXPECT_EQ(searchHeader().query(), "alp") << "cleared asynchronously";
  queue.advance(1);
  EXPECT_EQ(searchHeader().query(), "");
  EXPECT_EQ(shownTitles().size(), 3u);
}

TEST_F(SearchHeaderTest, AHeaderDestroyedBeforeItsQueuedWorkRunsIsForgotten) {
  open();
  type('a');
  queue.runUntilIdle();
  type('l');  // the filter for "al" waits in the throttler
  searchHeader().movedToWindow(false);
  menu->removeItem(*headerItem);
  headerItem.reset();
  queue.advance(1);
  EXPECT_EQ(shownTitles(), (Texts{"gamma", "beta", "alpha"}));
}

TEST_F(SearchHeaderTest, WhileTheFieldIsEditedOnlyCommandVIsInterceptedUntilTab) {
  searchHeader().setFieldEditor(&editor);
  open();
  ASSERT_TRUE(searchHeader().makeQueryFieldFirstResponder());
  EXPECT_FALSE(type('a') || press(downArrow) || press(deleteKey, option));
  EXPECT_EQ(searchHeader().query(), "");
  editor.onPaste = [this] { searchHeader().textDidChange(searchHeader().query() + "pasted"); };
  EXPECT_TRUE(press(v, command, "v"));
  EXPECT_EQ(searchHeader().query(), "pasted");
  EXPECT_TRUE(searchHeader().doCommandBySelector("insertTab:"));
  EXPECT_EQ(searchHeader().focus(), SearchHeader::Focus::window);
  EXPECT_TRUE(type('x'));
  EXPECT_EQ(searchHeader().query(), "pastedx");
}

}  // namespace
}  // namespace marbrel::testing
