#include <gtest/gtest.h>

#include "core/menu/MenuModel.h"

namespace marbrel {
namespace {

MenuItemPtr item(const std::string& title) { return std::make_shared<MenuItem>(title); }

std::vector<std::string> titles(const MenuModel& menu) {
  std::vector<std::string> result;
  for (const auto& entry : menu.items()) result.push_back(entry->title());
  return result;
}

TEST(MenuModel, KeepsItemsInOrderAndKnowsMembershipByIdentity) {
  MenuModel menu;
  const auto a = item("a");
  const auto b = item("b");
  const auto twin = item("a");
  menu.addItem(a);
  menu.insertItem(b, 0);
  menu.insertItem(item("c"), 99);
  EXPECT_EQ(titles(menu), (std::vector<std::string>{"b", "a", "c"}));
  EXPECT_TRUE(menu.contains(*a));
  EXPECT_FALSE(menu.contains(*twin));
  EXPECT_EQ(menu.indexOf(*a), 1u);
  EXPECT_EQ(menu.indexOf(*twin), std::nullopt);
  menu.removeItem(*twin);
  EXPECT_EQ(menu.size(), 3u);
  menu.removeItemAt(0);
  EXPECT_FALSE(menu.contains(*b));
  EXPECT_EQ(b->menu(), nullptr);
}

TEST(MenuModel, AnItemMovesWhenAddedToAnotherMenuOrInsertedAgain) {
  MenuModel first;
  MenuModel second;
  const auto a = item("a");
  first.addItem(a);
  first.addItem(item("b"));
  second.addItem(a);
  EXPECT_EQ(titles(first), (std::vector<std::string>{"b"}));
  EXPECT_EQ(a->menu(), &second);
  second.addItem(item("c"));
  second.insertItems({item("x"), a}, 2);
  EXPECT_EQ(titles(second), (std::vector<std::string>{"c", "x", "a"}));
}

TEST(MenuModel, HighlightGoesOnlyToEnabledItemsOfThisMenuAndLeavesWithTheItem) {
  MenuModel menu;
  const auto a = item("a");
  const auto disabled = item("disabled");
  disabled->setEnabled(false);
  const auto separator = MenuItem::makeSeparator();
  const auto outsider = item("outsider");
  for (const auto& entry : {a, disabled, separator}) menu.addItem(entry);

  menu.highlightItem(a.get());
  EXPECT_EQ(menu.highlightedItem(), a);
  for (const MenuItem* target : {static_cast<const MenuItem*>(disabled.get()),
                                 static_cast<const MenuItem*>(separator.get()),
                                 static_cast<const MenuItem*>(outsider.get()), static_cast<const MenuItem*>(nullptr)}) {
    menu.highlightItem(a.get());
    menu.highlightItem(target);
    EXPECT_EQ(menu.highlightedItem(), nullptr);
  }
  menu.highlightItem(a.get());
  menu.removeItemsIf([](const MenuItem& entry) { return entry.title() == "a"; });
  EXPECT_EQ(menu.highlightedItem(), nullptr);
}

TEST(MenuModel, ObserversHearChangesOfItemsAndBatchesFoldThem) {
  MenuModel menu;
  const auto a = item("a");
  menu.addItem(a);
  int heard = 0;
  const auto id = menu.addObserver([&heard] { ++heard; });
  const auto before = menu.revision();
  a->setTitle("A");
  a->setTitle("A");  // no change, no notice
  EXPECT_EQ(heard, 1);
  EXPECT_GT(menu.revision(), before);
  {
    MenuModel::Batch outer(menu);
    a->setKeyEquivalent("1");
    {
      MenuModel::Batch inner(menu);
      a->setHidden(true);
      menu.addItem(item("b"));
    }
    EXPECT_EQ(heard, 1);
  }
  EXPECT_EQ(heard, 2);
  menu.removeItem(*a);
  a->setTitle("detached");  // no longer in the menu
  EXPECT_EQ(heard, 3);
  menu.removeObserver(id);
  menu.removeAllItems();
  EXPECT_EQ(heard, 3);
}

TEST(MenuModel, SeparatorsAreDisabledAndPerformActionRunsTheAction) {
  EXPECT_TRUE(MenuItem::makeSeparator()->isSeparator());
  EXPECT_FALSE(MenuItem::makeSeparator()->isEnabled());
  const auto a = item("a");
  a->performAction();  // none set: nothing happens
  int runs = 0;
  a->setAction([&runs](MenuItem& self) { runs += self.title() == "a"; });
  a->performAction();
  EXPECT_EQ(runs, 1);
}

}  // namespace
}  // namespace marbrel
