#include <memory>

#include <gtest/gtest.h>

#include "core/menu/MenuModel.h"
#include "shell/MenuRows.h"

namespace marbrel {
namespace {

using modifier_flags::kCommand;
using modifier_flags::kOption;
using modifier_flags::kShift;

MenuItemPtr item(const std::string& title, const std::string& key = "", std::uint64_t mask = kCommand) {
  auto result = std::make_shared<MenuItem>(title);
  result->setKeyEquivalent(key);
  result->setKeyEquivalentModifierMask(mask);
  return result;
}

MenuItemPtr alternate(const std::string& title, const std::string& key, std::uint64_t mask = kOption) {
  auto result = item(title, key, mask);
  result->setAlternate(true);
  result->setHidden(true);
  return result;
}

class MenuRowsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    paste = item("paste beta", "1");
    copy = alternate("copy beta", "1");
    paste2 = item("paste alpha", "2");
    copy2 = alternate("copy alpha", "2");
    clear = item("Clear", "\u232B", kCommand | kOption);
    clearAll = alternate("Clear All", "\u232B", kCommand | kOption | kShift);
    clearAll->setHidden(false);
    for (const auto& i : {paste, copy, paste2, copy2}) menu.addItem(i);
    menu.addItem(MenuItem::makeSeparator());
    menu.addItem(clear);
    menu.addItem(clearAll);
  }
  MenuModel menu{"test"};
  MenuItemPtr paste, copy, paste2, copy2, clear, clearAll;
};

TEST_F(MenuRowsTest, WithoutModifiersEachPairShowsItsPrimaryAndHiddenAlternatesHaveNoRow) {
  const auto rows = MenuRows::layout(menu, 0);
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(rows[0].shown, paste);
  EXPECT_EQ(rows[1].shown, paste2);
  EXPECT_EQ(rows[2].kind, MenuRow::Kind::separator);
  EXPECT_EQ(rows[3].shown, clear);
  EXPECT_EQ(rows[1].top, rows[0].height);
  EXPECT_EQ(MenuRows::totalHeight(rows), rows[3].top + rows[3].height);
}

TEST_F(MenuRowsTest, HoldingExactlyAnAlternatesModifiersShowsItInItsPrimarysRow) {
  auto rows = MenuRows::layout(menu, kOption);
  EXPECT_EQ(rows[0].shown, copy);
  EXPECT_EQ(rows[0].primary, paste);
  EXPECT_EQ(rows[1].shown, copy2);
  EXPECT_EQ(rows[3].shown, clear) << "Option alone is not the clear-all item's mask";
  rows = MenuRows::layout(menu, kCommand | kOption | kShift);
  EXPECT_EQ(rows[0].shown, paste);
  EXPECT_EQ(rows[3].shown, clearAll);
}

TEST_F(MenuRowsTest, HighlightFollowsTheMemberOfThePairThatIsShown) {
  auto rows = MenuRows::layout(menu, kOption);
  EXPECT_EQ(MenuRows::highlightFor(rows, paste.get()), copy) << "Alt turns a highlighted primary into its alternate";
  rows = MenuRows::layout(menu, 0);
  EXPECT_EQ(MenuRows::highlightFor(rows, copy2.get()), paste2) << "releasing Alt turns it back";
  EXPECT_EQ(MenuRows::highlightFor(rows, nullptr), nullptr);
  EXPECT_EQ(MenuRows::rowOf(rows, paste2.get()), 1);
  EXPECT_EQ(MenuRows::rowOf(rows, copy2.get()), -1) << "an alternate not shown has no row of its own";
}

TEST_F(MenuRowsTest, HiddenItemsAndTheirAlternatesHaveNoRow) {
  paste2->setHidden(true);
  const auto rows = MenuRows::layout(menu, kOption);
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0].shown, copy);
  EXPECT_EQ(rows[1].kind, MenuRow::Kind::separator) << "copy alpha has no primary shown to stand in for";
}

TEST_F(MenuRowsTest, HitTestingFindsTheRowUnderAPosition) {
  const auto rows = MenuRows::layout(menu, 0);
  EXPECT_EQ(MenuRows::rowAt(rows, 0), 0);
  EXPECT_EQ(MenuRows::rowAt(rows, rows[1].top), 1);
  EXPECT_EQ(MenuRows::rowAt(rows, rows[1].top - 1), 0);
  EXPECT_EQ(MenuRows::rowAt(rows, -1), -1);
  EXPECT_EQ(MenuRows::rowAt(rows, MenuRows::totalHeight(rows)), -1);
}

TEST_F(MenuRowsTest, ImageRowsAreTallEnoughForTheirImage) {
  paste->setImage(ThumbnailImage{nullptr, 272, 40});
  const auto rows = MenuRows::layout(menu, 0);
  EXPECT_GE(rows[0].height, 40);
  EXPECT_EQ(rows[1].height, MenuRowMetrics{}.itemHeight);
}

TEST(MenuRowsKeyEquivalents, MatchTheCharacterAndExactlyTheModifiers) {
  auto one = item("row", "1");
  EXPECT_TRUE(MenuRows::matchesKeyEquivalent(*one, "1", kCommand));
  EXPECT_FALSE(MenuRows::matchesKeyEquivalent(*one, "1", kCommand | kShift));
  EXPECT_FALSE(MenuRows::matchesKeyEquivalent(*one, "2", kCommand));
  EXPECT_FALSE(MenuRows::matchesKeyEquivalent(*one, "1", 0));
  auto pin = item("pinned", "K");
  EXPECT_TRUE(MenuRows::matchesKeyEquivalent(*pin, "k", kCommand)) << "letters match regardless of case";
  auto none = item("no key");
  EXPECT_FALSE(MenuRows::matchesKeyEquivalent(*none, "", kCommand));
  // Hidden alternates answer their keys, but other hidden or disabled items do not.
  auto alt = alternate("copy", "1");
  EXPECT_TRUE(MenuRows::matchesKeyEquivalent(*alt, "1", kOption));
  auto hiddenFooter = item("Quit", "q");
  hiddenFooter->setHidden(true);
  EXPECT_FALSE(MenuRows::matchesKeyEquivalent(*hiddenFooter, "q", kCommand));
  auto disabled = item("off", "3");
  disabled->setEnabled(false);
  EXPECT_FALSE(MenuRows::matchesKeyEquivalent(*disabled, "3", kCommand));
  auto backspace = item("Clear", "\u232B", kCommand | kOption);
  EXPECT_TRUE(MenuRows::matchesKeyEquivalent(*backspace, "\u232B", kCommand | kOption));
}

}  // namespace
}  // namespace marbrel
