#include <gtest/gtest.h>

#include "core/menu/MenuModel.h"

namespace marbrel {
namespace {

MenuItemPtr item(const std::string& title) { return std::make_shared<MenuItem>(title); }

using Titles = std::vector<std::string>;
Titles titles(const MenuModel& menu) {
  std::vector<std::string> result;
  for (const auto& entry : menu.items()) result.push_back(entry->title());
  return result;
}

TEST(MenuModel, MembershipIsByIdentityAndAnItemLivesInOneMenuAtATime) {
  MenuModel first;
  MenuModel second;
  const auto a = item("a");
  first.addItem(a);
  first.insertItem(item("b"), 0);
  first.insertItem(item("c"), 99);  // past the end: appended
  EXPECT_EQ(titles(first), (Titles{"b", "a", "c"}));
  EXPECT_FALSE(first.contains(*item("a")));

  second.addItem(a);  // moves
  EXPECT_EQ(titles(first), (Titles{"b", "c"}));
  EXPECT_EQ(a->menu(), &second);
  second.addItem(item("d"));
  second.insertItems({item("x"), a}, 2);  // re-inserting shifts the position it leaves
  EXPECT_EQ(titles(second), (Titles{"d", "x", "a"}));
}

TEST(MenuModel, OnlyEnabledItemsOfThisMenuTakeTheHighlightAndItLeavesWithTheItem) {
  MenuModel menu;
  const auto a = item("a");
  const auto disabled = item("disabled");
  disabled->setEnabled(false);
  const auto separator = MenuItem::makeSeparator();
  for (const auto& entry : {a, disabled, separator}) menu.addItem(entry);
  const auto outsider = item("outsider");
  for (const MenuItem* target : {disabled.get(), separator.get(), outsider.get()}) {
    menu.highlightItem(a.get());
    menu.highlightItem(target);
    EXPECT_EQ(menu.highlightedItem(), nullptr);
  }
  menu.highlightItem(a.get());
  menu.removeItemsIf([](const MenuItem& entry) { return entry.title() == "a"; });
  EXPECT_EQ(menu.highlightedItem(), nullptr);
  EXPECT_EQ(a->menu(), nullptr);
}

TEST(MenuModel, ObserversHearEveryRealChangeAndBatchesFoldThemIntoOne) {
  MenuModel menu;
  const auto a = item("a");
  menu.addItem(a);
  int heard = 0;
  const auto id = menu.addObserver([&heard] { ++heard; });
  a->setTitle("A");
  a->setTitle("A");  // unchanged: no notice
  EXPECT_EQ(heard, 1);
  menu.setMinimumWidth(320);
  menu.setMinimumWidth(320);
  EXPECT_EQ(heard, 2) << "a wider menu is redrawn";
  {
    MenuModel::Batch outer(menu);
    a->setKeyEquivalent("1");
    MenuModel::Batch inner(menu);
    menu.addItem(item("b"));
  }
  EXPECT_EQ(heard, 3);
  menu.removeObserver(id);
  menu.removeAllItems();
  a->setTitle("detached");
  EXPECT_EQ(heard, 3);
}

// A menu holding one pair as a run (as the history menu holds its rows) between "header" and
// "footer".
class OnePairRunMenu : public MenuModel {
 public:
  OnePairRunMenu() {
    addItem(item("header"));
    addItem(item("footer"));
    placePairRun(1);
  }

 protected:
  std::size_t pairCount() const override { return 1; }
  const MenuItemPtr& pairItem(std::size_t index) const override {
    adoptPairItem(*pair_[index]);
    return pair_[index];
  }
  std::optional<std::size_t> pairItemIndex(const MenuItem& entry) const override {
    return &entry == pair_[0].get() ? std::optional<std::size_t>(0) : &entry == pair_[1].get() ? std::optional<std::size_t>(1) : std::nullopt;
  }

 private:
  std::vector<MenuItemPtr> pair_ = {item("pair"), item("pair alt")};
};

TEST(MenuModel, ItemsInsertedAtTheRunsFirstIndexGoBeforeItAndWithinItRightAfterIt) {
  OnePairRunMenu menu;
  menu.insertItem(item("before"), 1);
  menu.insertItem(item("after"), 3);
  EXPECT_EQ(titles(menu), (Titles{"header", "before", "pair", "pair alt", "after", "footer"}));
}

}  // namespace
}  // namespace marbrel
