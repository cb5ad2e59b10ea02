#include <optional>
#include <string>

#include <gtest/gtest.h>

#include "SearchHeaderFixture.h"

namespace marbrel::testing {
namespace {

// One key press on an open menu with a query, and what it leaves.
struct EditRow {
  const char* name;
  std::string query;
  std::uint16_t code;
  std::uint64_t modifiers;
  std::optional<std::string> characters;
  bool handled;
  std::string expectedQuery;
};

class SearchHeaderEditing : public SearchHeaderFixture, public ::testing::WithParamInterface<EditRow> {};

TEST_P(SearchHeaderEditing, KeyPressEditsTheQueryAsItsRowSays) {
  const EditRow& row = GetParam();
  open();
  searchHeader().setQuery(row.query, false);
  EXPECT_EQ(press(row.code, row.modifiers, row.characters), row.handled);
  EXPECT_EQ(searchHeader().query(), row.expectedQuery);
}

using namespace keycode;
using flags::capsLock;
using flags::command;
using flags::control;
using flags::option;
using flags::shift;

INSTANTIATE_TEST_SUITE_P(
    Rows, SearchHeaderEditing,
    ::testing::Values(
        EditRow{"ControlHDeletesOneCharacter", "abc", h, control, "h", true, "ab"},
        EditRow{"DeleteDeletesOneCharacter", "abc", deleteKey, 0, "\x7f", true, "ab"},
        EditRow{"DeleteRemovesAWholeAccentedLetter", "cafe\xCC\x81", deleteKey, 0, std::nullopt, true, "caf"},
        EditRow{"CommandDeleteClearsTheQuery", "foo bar", deleteKey, command, std::nullopt, true, ""},
        EditRow{"CapsLockTurnsCommandDeleteIntoOneCharacter", "foo", deleteKey, command | capsLock,
                std::nullopt, true, "fo"},
        EditRow{"DeviceDependentFlagBitsAreIgnored", "foo", deleteKey, command | 0x108, std::nullopt, true, ""},
        EditRow{"ControlUClearsTheQuery", "foo bar", u, control, "u", true, ""},
        EditRow{"ControlWRemovesTheLastWord", "foo bar", w, control, "w", true, "foo "},
        EditRow{"ControlWOnOneWordEmptiesTheQuery", "foo", w, control, "w", true, ""},
        EditRow{"ControlWFoldsRepeatedSpaces", "foo  bar  baz ", w, control, "w", true, "foo bar "},
        EditRow{"LetterIsAppended", "ab", c, 0, "c", true, "abc"},
        EditRow{"SpaceIsAppended", "ab", space, 0, " ", true, "ab "},
        EditRow{"AccentedLetterIsAppended", "caf", e, 0, "e\xCC\x81", true, "cafe\xCC\x81"},
        EditRow{"PlainHIsTyped", "", h, 0, "h", true, "h"},
        EditRow{"ControlLetterGoesOnToTheMenu", "ab", c, control, "c", false, "ab"},
        EditRow{"CommandLetterGoesOnToTheMenu", "ab", q, command, "q", false, "ab"},
        EditRow{"KeyWithoutCharactersGoesOn", "ab", a, 0, std::nullopt, false, "ab"},
        EditRow{"SeveralCharactersGoOn", "ab", a, 0, "xy", false, "ab"},
        EditRow{"ControlCharacterTypesNothing", "ab", forwardDelete, 0, "\x7f", false, "ab"},
        EditRow{"EscapeGoesOn", "ab", escape, 0, "\x1b", false, "ab"},
        EditRow{"LeftArrowGoesOn", "ab", leftArrow, 0, std::nullopt, false, "ab"},
        EditRow{"F1GoesOnEvenWithControl", "ab", f1, control, std::nullopt, false, "ab"},
        EditRow{"KeyCodeWithoutAKeyGoesOn", "ab", 200, 0, "z", false, "ab"}),
    [](const ::testing::TestParamInfo<EditRow>& info) { return info.param.name; });

class SearchHeaderCommands : public SearchHeaderFixture {
 protected:
  SearchHeaderCommands() {
    addText("alpha");
    addText("beta");
    addText("gamma");
  }
  std::string highlightedTitle() const {
    const auto& item = menu->highlightedItem();
    if (item && item->tag() == menuFooterTag(MenuFooter::quit)) return "quit";
    return item ? item->title() + (item->isAlternate() ? "'" : "") : "(none)";
  }
};

TEST_F(SearchHeaderCommands, OptionDeleteRemovesTheHighlightedPairAndKeepsTheQuery) {
  open();
  searchHeader().setQuery("kept", false);
  ASSERT_EQ(highlightedTitle(), "gamma");
  EXPECT_TRUE(press(keycode::deleteKey, flags::option));
  EXPECT_EQ(shownTitles(), (std::vector<std::string>{"beta", "alpha"}));
  EXPECT_EQ(store->count(), 2u);
  EXPECT_EQ(searchHeader().query(), "kept");
}

TEST_F(SearchHeaderCommands, OptionPPinsTheHighlightedEntryClearsTheQueryAndShowsTheWholeMenu) {
  open();
  enterQuery("alp");
  ASSERT_EQ(shownTitles(), std::vector<std::string>{"alpha"});
  EXPECT_TRUE(press(keycode::p, flags::option, "p"));
  EXPECT_EQ(searchHeader().query(), "");
  EXPECT_EQ(shownTitles().size(), 3u);
  EXPECT_TRUE(row("alpha")->isPinned() && !row("beta")->isPinned());
  // The query was cleared without a filter: nothing re-orders the rebuilt menu later.
  const auto before = shownRows();
  queue.advance(1);
  EXPECT_EQ(shownRows(), before);
}

// Each key moves the highlight from where the one before left it; "quit" is the footer's last item.
TEST_F(SearchHeaderCommands, ArrowsAndControlKeysMoveTheHighlightAndSkipHiddenItems) {
  struct Step {
    std::uint16_t code;
    std::uint64_t modifiers;
    const char* shown;
    const char* hiddenFooter;
  };
  const Step steps[] = {
      {keycode::downArrow, 0, "beta", "beta"},
      {keycode::n, flags::control, "alpha", "alpha"},
      {keycode::p, flags::control, "beta", "beta"},
      {keycode::upArrow, 0, "gamma", "gamma"},
      {keycode::upArrow, 0, "quit", "alpha"},  // Up on the first wraps to the last
      {keycode::downArrow, 0, "gamma", "gamma"},  // Down on the last wraps to the first
      {keycode::downArrow, flags::command, "quit", "alpha"},
      {keycode::upArrow, flags::command, "gamma", "gamma"},
      {keycode::downArrow, flags::option, "beta'", "beta'"},  // with Option held, the alternates
      {keycode::upArrow, flags::option, "gamma'", "gamma'"},
      {keycode::upArrow, flags::option, "clear_all'", "alpha'"},
  };
  for (const bool hidden : {false, true}) {
    if (hidden) {
      searchHeader().movedToWindow(false);
      hideFooter();
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
  EXPECT_TRUE(press(keycode::returnKey, 0, "\r"));
  EXPECT_TRUE(footerRuns.empty());
  EXPECT_EQ(pasteboard.writes().back().second, "alpha");
}

TEST_F(SearchHeaderCommands, ReturnChoosesTheShownRowOfTheHighlightedPairAndClosesTheMenu) {
  open();
  menu->highlight(nullptr);
  EXPECT_TRUE(press(keycode::returnKey, 0)) << "nothing highlighted: handled, menu stays";
  EXPECT_EQ(presenter.cancelCount, 0);
  EXPECT_TRUE(pasteboard.writes().empty());

  menu->selectFirst(false);
  EXPECT_TRUE(press(keycode::returnKey, 0, "\r"));
  EXPECT_EQ(pasteboard.writes().back().second, "gamma");
  EXPECT_EQ(presenter.cancelCount, 1);
  queue.advance(1);
  EXPECT_TRUE(keys.events.empty()) << "the copy row does not paste";
  // With Option held the alternate (paste) row is the one shown, though the primary is highlighted.
  EXPECT_TRUE(press(keycode::keypadEnter, flags::option, "\x03"));
  queue.advance(1);
  EXPECT_FALSE(keys.events.empty());
}

TEST_F(SearchHeaderCommands, CommandsOutsideAHistoryMenuAreHandledAndDoNothing) {
  MenuModel plain;
  auto item = makeHeaderItem();
  plain.addItem(item);
  SearchHeader& alone = item->header();
  alone.movedToWindow(true);
  for (const auto& [code, modifiers] : {std::pair{keycode::downArrow, std::uint64_t{0}},
                                        {keycode::returnKey, 0}, {keycode::deleteKey, flags::option},
                                        {keycode::p, flags::option}, {keycode::n, flags::control}}) {
    EXPECT_TRUE(alone.onKeyDown(code, modifiers, std::nullopt)) << code;
  }
  EXPECT_EQ(store->count(), 3u);
  EXPECT_EQ(presenter.cancelCount, 0);
}

TEST_F(SearchHeaderCommands, ReturnOnTheMenusLastItemRunsIt) {
  open();
  EXPECT_TRUE(press(keycode::upArrow, 0));
  ASSERT_EQ(highlightedTitle(), "quit");
  press(keycode::returnKey, 0, "\r");
  EXPECT_EQ(footerRuns[footer(MenuFooter::quit)->tag()], 1);
}

TEST_F(SearchHeaderCommands, FooterCommandsRunByTagOnlyWhileTheFooterIsHidden) {
  open();
  searchHeader().setQuery("abc", false);
  // With the footer shown the keys go on to the menu, where the footer's items carry them.
  EXPECT_FALSE(press(keycode::deleteKey, flags::command | flags::option));
  EXPECT_FALSE(press(keycode::deleteKey, flags::command | flags::option | flags::shift));
  EXPECT_FALSE(press(keycode::comma, flags::command, ","));
  EXPECT_TRUE(footerRuns.empty());
  EXPECT_EQ(searchHeader().query(), "abc");

  configuration.setHideFooter(true);
  EXPECT_TRUE(press(keycode::deleteKey, flags::command | flags::option));
  EXPECT_EQ(footerRuns[101], 1);
  EXPECT_TRUE(press(keycode::deleteKey, flags::command | flags::option | flags::shift));
  EXPECT_EQ(footerRuns[106], 1);
  EXPECT_FALSE(press(keycode::comma, flags::command, ",")) << "the key press still goes on";
  EXPECT_EQ(footerRuns[107], 1);
  EXPECT_EQ(presenter.cancelCount, 3);
  EXPECT_EQ(searchHeader().query(), "abc");
}

TEST_F(SearchHeaderCommands, ThePopupShortcutClosesTheMenuBeforeAnyOtherCheckAndGoesOn) {
  open();
  EXPECT_FALSE(press(keycode::v, flags::shift | flags::command, "v"));
  EXPECT_EQ(presenter.cancelCount, 1);
  // Caps Lock makes the modifiers differ: no closing, and Shift-Command is no typing either.
  EXPECT_FALSE(press(keycode::v, flags::shift | flags::command | flags::capsLock, "v"));
  EXPECT_EQ(presenter.cancelCount, 1);
  // The shortcut's key with other modifiers skips the Preferences check (footer hidden).
  popupShortcut = SearchHeader::PopupShortcut{keycode::comma, flags::option};
  configuration.setHideFooter(true);
  EXPECT_FALSE(press(keycode::comma, flags::command, ","));
  EXPECT_EQ(footerRuns[107], 0);
  EXPECT_EQ(presenter.cancelCount, 1);
  EXPECT_FALSE(press(keycode::comma, flags::option, ","));
  EXPECT_EQ(presenter.cancelCount, 2);
}

}  // namespace
}  // namespace marbrel::testing
