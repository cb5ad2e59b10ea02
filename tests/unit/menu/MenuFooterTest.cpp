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
  // tag, title, key, modifiers, tooltip
  const std::tuple<int, std::string, std::string, std::uint64_t, std::string> expected[] = {
      {100, "", "", 0, ""},
      {101, "clear", "\u232B", 0x180000, "clear_tooltip"},
      {106, "Clear all", "\u232B", 0x1A0000, "clear_all_tooltip"},
      {107, "preferences", ",", 0x100000, ""},
      {103, "about", "", 0, "about_tooltip"},
      {104, "quit", "q", 0x100000, "quit_tooltip"},
  };
  for (std::size_t i = 0; i < 6; ++i) {
    const auto item = make(allMenuFooterCases().at(i));
    const auto& [tag, title, key, modifiers, toolTip] = expected[i];
    EXPECT_EQ(std::make_tuple(item->tag(), item->title(), item->keyEquivalent(),
                              item->keyEquivalentModifierMask(), item->toolTip()),
              expected[i]);
    EXPECT_EQ(item->isAlternate(), tag == 106);
    EXPECT_EQ(item->isSeparator(), tag == 100);
    EXPECT_FALSE(item->isHidden());
    EXPECT_EQ(menuFooterFromTag(tag), allMenuFooterCases()[i]);
  }
  for (const int tag : {102, 105, 108}) EXPECT_EQ(menuFooterFromTag(tag), std::nullopt);
  EXPECT_EQ(make(static_cast<MenuFooter>(102)), nullptr);
}

TEST_F(MenuFooterTest, AHiddenFooterHidesEveryItemAndHasNoAlternate) {
  configuration.setHideFooter(true);
  for (const MenuFooter footer : allMenuFooterCases()) {
    EXPECT_TRUE(make(footer)->isHidden());
    EXPECT_FALSE(make(footer)->isAlternate());
  }
}

}  // namespace
}  // namespace marbrel
