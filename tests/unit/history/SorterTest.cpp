#include <gtest/gtest.h>

#include "core/history/HistoryStore.h"
#include "core/history/Sorter.h"
#include "StoreTestSupport.h"

namespace marbrel {
namespace {

using testing::StoreEnvironment;
using testing::textsOf;
using Texts = std::vector<std::string>;

class SorterTest : public ::testing::Test {
 protected:
  StoreEnvironment env;
  std::unique_ptr<HistoryStore> store = env.openInMemory();

  // An entry named `name`, created `created` seconds and last copied `copied` seconds after the
  // start, copied `copies` times.
  HistoryItemPtr entry(const std::string& name, double created, double copied, std::int64_t copies = 1,
                       std::optional<std::string> pin = std::nullopt) {
    const double start = env.clock.now();
    env.clock.advance(created);
    auto item = store->insertItem({{"text/plain", name}});
    env.clock.advance(-created);
    item->setLastCopiedAt(start + copied);
    item->setNumberOfCopies(copies);
    item->setPin(std::move(pin));
    return item;
  }
  Texts sorted(const std::string& by, const std::vector<HistoryItemPtr>& items) {
    return textsOf(Sorter(by, env.configuration).sort(items));
  }
};

TEST_F(SorterTest, OrdersAscendingByTheChosenKeyWithUnknownKeysMeaningLastCopied) {
  auto a = entry("a", 0, 600);
  auto b = entry("b", 100, 300);
  auto c = entry("c", 200, 0);
  const std::vector<HistoryItemPtr> items{a, b, c};
  EXPECT_EQ(sorted("lastCopiedAt", items), (Texts{"c", "b", "a"}));
  EXPECT_EQ(sorted("firstCopiedAt", {c, a, b}), (Texts{"a", "b", "c"}));
  EXPECT_EQ(sorted("whatever", items), (Texts{"c", "b", "a"}));
  auto three = entry("3", 0, 0, 3);
  auto one = entry("1", 0, 0, 1);
  auto two = entry("2", 0, 0, 2);
  EXPECT_EQ(sorted("numberOfCopies", {three, one, two}), (Texts{"1", "2", "3"}));
}

TEST_F(SorterTest, EqualKeysKeepTheirInputOrder) {
  auto x = entry("x", 30, 0, 4);
  auto y = entry("y", 20, 0, 4);
  auto z = entry("z", 10, 0, 4);
  EXPECT_EQ(sorted("numberOfCopies", {x, y, z}), (Texts{"x", "y", "z"}));
  EXPECT_EQ(sorted("lastCopiedAt", {z, x, y}), (Texts{"z", "x", "y"}));
}

TEST_F(SorterTest, PinnedGroupGoesFirstForBottomOrAbsentAndLastOtherwiseEachGroupInKeyOrder) {
  auto p2 = entry("p2", 0, 50, 1, "b");
  auto u2 = entry("u2", 0, 40);
  auto p1 = entry("p1", 0, 10, 1, "a");
  auto u1 = entry("u1", 0, 20);
  const std::vector<HistoryItemPtr> items{p2, u2, p1, u1};
  EXPECT_EQ(sorted("lastCopiedAt", items), (Texts{"p1", "p2", "u1", "u2"}));
  env.configuration.setPinTo("top");
  EXPECT_EQ(sorted("lastCopiedAt", items), (Texts{"u1", "u2", "p1", "p2"}));
  env.configuration.setPinTo("sideways");
  EXPECT_EQ(sorted("lastCopiedAt", items), (Texts{"u1", "u2", "p1", "p2"}));
  env.configuration.setPinTo("bottom");
  EXPECT_EQ(sorted("lastCopiedAt", items), (Texts{"p1", "p2", "u1", "u2"}));
}

TEST_F(SorterTest, PinPlacementIsReadAtEveryComparison) {
  auto pinned = entry("p", 0, 0, 1, "a");
  auto unpinned = entry("u", 0, 0);
  Sorter sorter("lastCopiedAt", env.configuration);
  EXPECT_TRUE(sorter.byPinned(pinned, unpinned));
  EXPECT_FALSE(sorter.byPinned(unpinned, pinned));
  env.configuration.setPinTo("top");
  EXPECT_FALSE(sorter.byPinned(pinned, unpinned));
  EXPECT_TRUE(sorter.byPinned(unpinned, pinned));
  EXPECT_FALSE(sorter.byPinned(pinned, pinned));
}

TEST_F(SorterTest, EmptyAndSingleListsComeBackUnchanged) {
  EXPECT_TRUE(Sorter("lastCopiedAt", env.configuration).sort({}).empty());
  auto only = entry("only", 0, 0, 1, "a");
  EXPECT_EQ(Sorter("numberOfCopies", env.configuration).sort({only}), (std::vector<HistoryItemPtr>{only}));
}

}  // namespace
}  // namespace marbrel
