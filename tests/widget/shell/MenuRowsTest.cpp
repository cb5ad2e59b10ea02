#include <algorithm>
#include <array>
#include <memory>
#include <random>

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

// A menu that shows its pairs as a run, as the history menu does.
class PairedMenu : public MenuModel {
 public:
  PairedMenu(const std::vector<MenuItemPtr>& before, const std::vector<MenuItemPtr>& pairItems,
             const std::vector<MenuItemPtr>& after)
      : items_(pairItems) {
    for (const auto& item : before) addItem(item);
    for (const auto& item : after) addItem(item);
    placePairRun(before.size());
    for (std::size_t pair = 0; 2 * pair < items_.size(); ++pair) {
      if (const auto* thumbnail = std::get_if<ThumbnailImage>(&items_[2 * pair]->image())) {
        images_.push_back({pair, thumbnail->height});
      }
    }
    pairsChanged();
  }
  const std::vector<PairImage>& pairImages() const override { return images_; }
  std::vector<std::size_t> pairsWithKeyEquivalents() const override {
    std::vector<std::size_t> keyed;
    for (std::size_t pair = 0; 2 * pair < items_.size(); ++pair) {
      if (!items_[2 * pair]->keyEquivalent().empty()) keyed.push_back(pair);
    }
    return keyed;
  }

 protected:
  std::size_t pairCount() const override { return items_.size() / 2; }
  std::uint64_t pairAlternateMask() const override { return kOption; }
  const MenuItemPtr& pairItem(std::size_t index) const override {
    adoptPairItem(*items_[index]);
    return items_[index];
  }
  std::optional<std::size_t> pairItemIndex(const MenuItem& item) const override {
    const auto found = std::find_if(items_.begin(), items_.end(), [&](const MenuItemPtr& i) { return i.get() == &item; });
    return found == items_.end() ? std::nullopt : std::optional(std::size_t(found - items_.begin()));
  }

 private:
  std::vector<MenuItemPtr> items_;
  std::vector<PairImage> images_;
};

TEST(MenuRowsOfARun, ARunOfPairsLaysOutAsTheSameItemsHeldOneByOne) {
  std::mt19937 rng(4);
  for (int round = 0; round < 20; ++round) {
    SCOPED_TRACE(round);
    // Made twice from one seed: both menus hold the same titles, keys, flags and images.
    const auto make = [seed = rng()] {
      std::mt19937 random(seed);
      std::vector<MenuItemPtr> run;
      const int count = 1 + int(random() % 60);
      for (int p = 0; p < count; ++p) {
        const std::string key = p < 9 ? std::to_string(p + 1) : "";
        run.push_back(item("paste " + std::to_string(p), key));
        run.push_back(alternate("copy " + std::to_string(p), key));
        if (random() % 5 == 0) {
          const double height = double(random() % 80);
          for (const auto& member : {run.end()[-2], run.end()[-1]}) member->setImage(ThumbnailImage{nullptr, 100, height});
        }
      }
      return std::array<std::vector<MenuItemPtr>, 3>{
          {{item("header")}, run, {MenuItem::makeSeparator(), item("Clear", "\u232B", kCommand | kOption),
                                   alternate("Clear All", "\u232B", kCommand | kOption | kShift), item("Quit", "q")}}};
    };
    MenuModel plain("plain");
    for (const auto& part : make()) {
      for (const auto& each : part) plain.addItem(each);
    }
    const auto twin = make();
    PairedMenu paired(twin[0], twin[1], twin[2]);
    const int pairs = int(twin[1].size() / 2);
    ASSERT_EQ(paired.size(), plain.size());

    for (const std::uint64_t held : {std::uint64_t{0}, kOption, kCommand | kOption, kCommand | kOption | kShift}) {
      SCOPED_TRACE(held);
      const auto expected = MenuRows::layout(plain, held);
      const auto rows = MenuRows::layout(paired, held);
      ASSERT_EQ(rows.size(), expected.size());
      ASSERT_EQ(MenuRows::totalHeight(rows), MenuRows::totalHeight(expected));
      // An alternate stands in for its primary while exactly its modifiers are held.
      int alternatesShown = 0;
      for (std::size_t r = 0; r < rows.size(); ++r) {
        const MenuRow got = rows[r];
        const MenuRow want = expected[r];
        alternatesShown += want.shown != want.primary ? 1 : 0;
        EXPECT_EQ(got.kind, want.kind);
        EXPECT_EQ(got.shown->title(), want.shown->title());
        EXPECT_EQ(got.primary->title(), want.primary->title());
        EXPECT_EQ(std::make_pair(got.top, got.height), std::make_pair(want.top, want.height));
        // A row is one line high unless its image preview needs more.
        const auto* thumbnail = std::get_if<ThumbnailImage>(&want.shown->image());
        if (want.kind == MenuRow::Kind::item) EXPECT_TRUE(thumbnail ? want.height >= thumbnail->height : want.height == 24);
      }
      EXPECT_EQ(alternatesShown, held == kOption ? pairs : held == (kCommand | kOption | kShift) ? 1 : 0);
      for (int y = -1; y <= MenuRows::totalHeight(rows); y += 7) {
        EXPECT_EQ(MenuRows::rowAt(rows, y), MenuRows::rowAt(expected, y));
      }
      for (std::size_t index = 0; index < plain.size(); ++index) {
        EXPECT_EQ(MenuRows::rowOf(rows, paired.itemAt(index).get()),
                  MenuRows::rowOf(expected, plain.itemAt(index).get()));
        const auto shown = MenuRows::highlightFor(rows, paired.itemAt(index).get());
        const auto wanted = MenuRows::highlightFor(expected, plain.itemAt(index).get());
        EXPECT_EQ(shown ? shown->title() : "", wanted ? wanted->title() : "");
      }
      for (const std::string key : {"1", "5", "9", "q", "\u232B", "x"}) {
        const auto chosen = MenuRows::itemForKeyEquivalent(paired, key, held);
        const auto wanted = MenuRows::itemForKeyEquivalent(plain, key, held);
        EXPECT_EQ(chosen ? chosen->title() : "", wanted ? wanted->title() : "") << key;
      }
    }
  }
}

// Letters in either case; hidden alternates answer their keys, other hidden or disabled items do not.
TEST(MenuRowsKeyEquivalents, MatchTheCharacterAndExactlyTheModifiers) {
  auto hidden = item("Quit", "q"), disabled = item("off", "3");
  hidden->setHidden(true);
  disabled->setEnabled(false);
  const std::tuple<MenuItemPtr, std::string, std::uint64_t, bool> rows[] = {
      {item("row", "1"), "1", kCommand | kShift, false}, {item("row", "1"), "1", 0, false},
      {item("pinned", "K"), "k", kCommand, true},        {alternate("copy", "1"), "1", kOption, true},
      {hidden, "q", kCommand, false},                    {disabled, "3", kCommand, false},
  };
  for (const auto& [row, characters, held, matches] : rows) {
    EXPECT_EQ(MenuRows::matchesKeyEquivalent(*row, characters, held), matches) << row->title() << " " << held;
  }
}

}  // namespace
}  // namespace marbrel
