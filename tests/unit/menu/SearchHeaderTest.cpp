#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "SearchHeaderFixture.h"

namespace marbrel::testing {
namespace {

class SearchHeaderTyping : public SearchHeaderFixture {
 protected:
  SearchHeaderTyping() {
    addText("bob");
    addText("axe");
    addText("alpha");
  }
};

TEST_F(SearchHeaderTyping, ThreeCharactersFiftyMillisecondsApartFilterTwice) {
  open();
  queue.advance(1);  // no filter in the 0.2 s before
  ASSERT_EQ(shownTitles(), (std::vector<std::string>{"alpha", "axe", "bob"}));

  EXPECT_TRUE(type('a'));
  queue.runUntilIdle();
  EXPECT_EQ(shownTitles(), (std::vector<std::string>{"alpha", "axe"})) << "the first filters at once";
  queue.advance(0.05);
  EXPECT_TRUE(type('l'));
  queue.advance(0.05);
  EXPECT_TRUE(type('p'));
  EXPECT_EQ(searchHeader().query(), "alp");
  // "al" alone would already drop "axe": the list staying so proves no filter ran in between.
  queue.advance(0.199);
  EXPECT_EQ(shownTitles(), (std::vector<std::string>{"alpha", "axe"}));
  queue.advance(0.002);
  EXPECT_EQ(shownTitles(), std::vector<std::string>{"alpha"}) << "0.2 s after the third, with all three";
}

TEST_F(SearchHeaderTyping, ClosingClearsTheQueryOnALaterTurnAndShowsEverythingAgain) {
  open();
  enterQuery("alp");
  ASSERT_EQ(shownTitles(), std::vector<std::string>{"alpha"});
  searchHeader().movedToWindow(false);
  EXPECT_FALSE(press(keycode::deleteKey)) << "no interception while closed";
  EXPECT_EQ(searchHeader().query(), "alp") << "cleared asynchronously";
  queue.advance(1);
  EXPECT_EQ(searchHeader().query(), "");
  EXPECT_EQ(shownTitles().size(), 3u);
  EXPECT_FALSE(searchHeader().fieldAcceptsFocus());
}

TEST_F(SearchHeaderTyping, AHeaderDestroyedBeforeItsQueuedWorkRunsIsForgotten) {
  open();
  type('a');
  queue.runUntilIdle();
  type('x');  // the filter for "ax" waits in the throttler
  searchHeader().movedToWindow(false);
  menu->removeItem(*headerItem);
  headerItem.reset();
  queue.advance(1);
  EXPECT_EQ(shownTitles(), (std::vector<std::string>{"alpha", "axe"}));
}

class SearchHeaderFocus : public SearchHeaderFixture {
 protected:
  SearchHeaderFocus() { searchHeader().setFieldEditor(&editor); }
};

TEST_F(SearchHeaderFocus, TakingFocusTheFirstCharacterFocusesTheFieldWithTheCaretAtTheEnd) {
  configuration.setAvoidTakingFocus(false);
  open();
  searchHeader().setQuery("ab", false);
  editor.textLength = 2;
  EXPECT_FALSE(type('c')) << "the field's editor inserts the character";
  EXPECT_EQ(searchHeader().focus(), SearchHeader::Focus::fieldEditor);
  EXPECT_EQ(std::tuple(editor.focusCount, editor.selectionLocation, editor.selectionLength), std::tuple(1, 2u, 0u));
  EXPECT_EQ(searchHeader().query(), "ab");
  searchHeader().textDidChange("abc");
  queue.advance(1);
  EXPECT_EQ(searchHeader().query(), "abc");
}

TEST_F(SearchHeaderFocus, TheFieldRefusesFocusUntilTheMenuHasBeenDrawn) {
  configuration.setAvoidTakingFocus(false);
  menu->menuWillOpen();
  searchHeader().movedToWindow(true);
  EXPECT_FALSE(type('c'));
  EXPECT_EQ(editor.focusCount, 0);
  searchHeader().setFocus(SearchHeader::Focus::fieldEditor);
  EXPECT_EQ(searchHeader().focus(), SearchHeader::Focus::window) << "a click cannot focus it either";
  EXPECT_TRUE(press(keycode::v, flags::command, "v")) << "Command-V is handled and pastes nothing";
  EXPECT_EQ(editor.pasteCount, 0);

  searchHeader().didDraw();
  EXPECT_FALSE(type('c'));
  EXPECT_EQ(searchHeader().focus(), SearchHeader::Focus::fieldEditor);
  // Closed and reopened, it refuses again until the next draw.
  searchHeader().movedToWindow(false);
  queue.advance(1);
  searchHeader().movedToWindow(true);
  EXPECT_FALSE(searchHeader().makeQueryFieldFirstResponder());
}

TEST_F(SearchHeaderFocus, WhileTheFieldIsEditedOnlyCommandVIsIntercepted) {
  open();
  ASSERT_TRUE(searchHeader().makeQueryFieldFirstResponder());
  EXPECT_FALSE(type('a') || press(keycode::downArrow) || press(keycode::deleteKey, flags::option));
  EXPECT_EQ(searchHeader().query(), "");
  editor.onPaste = [this] { searchHeader().textDidChange(searchHeader().query() + "pasted"); };
  EXPECT_TRUE(press(keycode::v, flags::command, "v"));
  EXPECT_EQ(searchHeader().query(), "pasted");
  // With the field itself (not its editor) focused, nothing at all is intercepted.
  searchHeader().setFocus(SearchHeader::Focus::queryField);
  EXPECT_FALSE(press(keycode::v, flags::command, "v"));
}

TEST_F(SearchHeaderFocus, TabInTheFocusedFieldHandsKeysBackToTheInterception) {
  open();
  ASSERT_TRUE(searchHeader().makeQueryFieldFirstResponder());
  EXPECT_FALSE(searchHeader().doCommandBySelector("insertNewline:"));
  EXPECT_EQ(searchHeader().focus(), SearchHeader::Focus::fieldEditor);
  EXPECT_TRUE(searchHeader().doCommandBySelector("insertTab:"));
  EXPECT_EQ(searchHeader().focus(), SearchHeader::Focus::window);
  EXPECT_TRUE(type('x'));
  EXPECT_EQ(searchHeader().query(), "x");
}

}  // namespace
}  // namespace marbrel::testing
