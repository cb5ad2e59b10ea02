#include <gtest/gtest.h>

#include "AppFixture.h"

namespace marbrel::testing {
namespace {

using EndToEnd = AppFixture;

TEST_F(EndToEnd, CopyOpenFilterChooseAndTheNextTickMergesTheCopyBack) {
  launch();
  copyElsewhere("goodbye");
  copyElsewhere("hello world");
  ASSERT_EQ(marbrel().store().count(), 2u);

  // The shortcut opens the menu with the newest entry first, numbered 1.
  ASSERT_EQ(hotKeys.press(keycode::v, kCarbonShiftCommand), 1);
  header().didDraw();
  EXPECT_EQ(shownTitles(), (std::vector<std::string>{"hello world", "goodbye"}));
  EXPECT_EQ(shownKeys(), (std::vector<std::string>{"1", "2"}));

  // Typing goes into the query without the field taking the focus, and filters the menu.
  for (const auto& [code, text] : {std::pair{keycode::h, "h"}, {keycode::e, "e"}, {keycode::l, "l"}}) {
    EXPECT_TRUE(presenter.keyDown(code, 0, std::string(text)));
    queue.advance(0.05);
  }
  queue.advance(0.3);
  EXPECT_EQ(header().query(), "hel");
  EXPECT_EQ(shownTitles(), std::vector<std::string>{"hello world"});

  // Return chooses the paste row: the entry goes back on the clipboard, the menu closes and
  // Command-V is posted on a later turn.
  EXPECT_TRUE(presenter.keyDown(keycode::returnKey, 0, std::string("\r")));
  EXPECT_EQ(presenter.openMenu, nullptr);
  EXPECT_EQ(pasteboard.writes(), (std::vector<std::pair<std::string, std::optional<std::string>>>{{"text/plain", "hello world"}}));
  queue.runUntilIdle();
  EXPECT_EQ(keys.events, (std::vector<FakeKeySynthesizer::Event>{{9, true, 0x100000}, {9, false, 0x100000}}));
  EXPECT_EQ(header().query(), "") << "closing cleared the query";

  // The next tick sees the program's own write and merges it into the chosen entry.
  queue.advance(1);
  const auto entries = marbrel().history().all();
  ASSERT_EQ(entries.size(), 2u);
  const auto hello = std::find_if(entries.begin(), entries.end(), [](const auto& entry) { return entry->numberOfCopies() == 2; });
  ASSERT_NE(hello, entries.end());
  EXPECT_EQ((*hello)->contents().front()->value(), std::optional<std::string>("hello world"));
  // A second launch opens the menu again: the full history with the chosen entry on top.
  EXPECT_TRUE(delegate->applicationShouldHandleReopen(false));
  EXPECT_EQ(shownTitles(), (std::vector<std::string>{"hello world", "goodbye"}));
  presenter.close();
  delegate.reset();
  hotKeys.press(keycode::v, kCarbonShiftCommand);  // the shortcut outlives the program's core
  EXPECT_EQ(presenter.openMenu, nullptr);
}

}  // namespace
}  // namespace marbrel::testing
