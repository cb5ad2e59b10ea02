#include <gtest/gtest.h>

#include "core/config/Configuration.h"
#include "core/menu/MenuFooter.h"
#include "fakes/FakeStrings.h"

namespace marbrel {
namespace {

class MenuFooterTest : public ::testing::Test {
 protected:
  MenuItemPtr make(MenuFooter footer) { return makeMenuFooterItem(footer, configuration, strings); }

  Defaults defaults{""};
  ProcessArguments arguments;
  Configuration configuration{defaults, arguments};
  FakeStrings strings;
};

TEST_F(MenuFooterTest, SixItemsInOrderWithTheirTagsKeysAndTexts) {
  strings.set("clear_all", "Clear all");
  struct Expected {
    int tag;
    const char* title;
    const char* key;
    std::uint64_t modifiers;
    const char* toolTip;
  };
  const Expected expected[] = {
      {100, "", "", 0, ""},
      {101, "clear", "\u232B", 0x180000, "clear_tooltip"},
      {106, "Clear all", "\u232B", 0x1A0000, "clear_all_tooltip"},
      {107, "preferences", ",", 0x100000, ""},
      {103, "about", "", 0, "about_tooltip"},
      {104, "quit", "q", 0x100000, "quit_tooltip"},
  };
  ASSERT_EQ(allMenuFooterCases().size(), 6u);
  for (std::size_t i = 0; i < 6; ++i) {
    const auto item = make(allMenuFooterCases()[i]);
    SCOPED_TRACE(expected[i].tag);
    EXPECT_EQ(item->tag(), expected[i].tag);
    EXPECT_EQ(item->title(), expected[i].title);
    EXPECT_EQ(item->keyEquivalent(), expected[i].key);
    EXPECT_EQ(item->keyEquivalentModifierMask(), expected[i].modifiers);
    EXPECT_EQ(item->toolTip(), expected[i].toolTip);
    EXPECT_FALSE(item->isHidden());
    EXPECT_EQ(item->isAlternate(), expected[i].tag == 106);
    EXPECT_EQ(item->isSeparator(), expected[i].tag == 100);
  }
  EXPECT_NE(make(MenuFooter::quit), make(MenuFooter::quit)) << "a new item on every call";
}

TEST_F(MenuFooterTest, HiddenFooterHidesEveryItemAndDropsTheAlternate) {
  configuration.setHideFooter(true);
  for (const MenuFooter footer : allMenuFooterCases()) {
    const auto item = make(footer);
    EXPECT_TRUE(item->isHidden());
    EXPECT_FALSE(item->isAlternate());
  }
}

TEST_F(MenuFooterTest, TagsMapBackToCasesAndUnusedTagsToNothing) {
  for (const MenuFooter footer : allMenuFooterCases()) {
    EXPECT_EQ(menuFooterFromTag(menuFooterTag(footer)), footer);
  }
  for (const int tag : {0, 99, 102, 105, 108}) EXPECT_EQ(menuFooterFromTag(tag), std::nullopt);
  EXPECT_EQ(make(static_cast<MenuFooter>(102)), nullptr);
}

}  // namespace
}  // namespace marbrel
