#include <gtest/gtest.h>

#include "core/history/Sorter.h"
#include "StoreTestSupport.h"

namespace marbrel {
namespace {

using testing::textsOf;
using testing::Texts;

class SorterTest : public testing::StoreTest {
 protected:
  std::unique_ptr<HistoryStore> store = env.openInMemory();

  // An entry created `created` s and last copied `copied` s after the start, copied `copies` times.
  HistoryItemPtr entry(const std::string& name, double created, double copied, std::int64_t copies = 1,
                       std::optional<std::string> pin = std::nullopt) {
    env.clock.advance(created);
    auto item = store->insertItem({{"text/plain", name}});
    env.clock.advance(-created);
    item->setLastCopiedAt(env.clock.now() + copied);
    item->setNumberOfCopies(copies);
    item->setPin(std::move(pin));
    return item;
  }
  Texts sorted(const std::string& by, const std::vector<HistoryItemPtr>& items) {
    return textsOf(Sorter(by, env.configuration).sort(items));
  }
};

TEST_F(SorterTest, OrdersAscendingByTheKeyKeepingTiesInInputOrder) {
  auto a = entry("a", 0, 600, 3);
  auto b = entry("b", 100, 300, 1);
  auto c = entry("c", 200, 0, 3);
  EXPECT_EQ(sorted("lastCopiedAt", {a, b, c}), (Texts{"c", "b", "a"}));
  EXPECT_EQ(sorted("anything else", {a, b, c}), (Texts{"c", "b", "a"}));
  EXPECT_EQ(sorted("firstCopiedAt", {c, a, b}), (Texts{"a", "b", "c"}));
  EXPECT_EQ(sorted("numberOfCopies", {c, a, b}), (Texts{"b", "c", "a"}));
  EXPECT_EQ(sorted("numberOfCopies", {a, b, c}), (Texts{"b", "a", "c"}));
  EXPECT_TRUE(sorted("lastCopiedAt", {}).empty());
}

TEST_F(SorterTest, PinnedGroupGoesFirstForBottomAndLastOtherwiseReadAtEverySort) {
  auto p2 = entry("p2", 0, 50, 1, "b");
  auto u2 = entry("u2", 0, 40);
  auto p1 = entry("p1", 0, 10, 1, "a");
  auto u1 = entry("u1", 0, 20);
  const std::vector<HistoryItemPtr> items{p2, u2, p1, u1};
  Sorter sorter("lastCopiedAt", env.configuration);
  EXPECT_EQ(textsOf(sorter.sort(items)), (Texts{"p1", "p2", "u1", "u2"}));
  env.configuration.setPinTo("top");
  EXPECT_EQ(textsOf(sorter.sort(items)), (Texts{"u1", "u2", "p1", "p2"}));
  env.configuration.setPinTo("sideways");
  EXPECT_EQ(textsOf(sorter.sort(items)), (Texts{"u1", "u2", "p1", "p2"}));
  EXPECT_FALSE(sorter.byPinned(p1, p2));
  env.configuration.setPinTo("bottom");
  EXPECT_EQ(textsOf(sorter.sort(items)), (Texts{"p1", "p2", "u1", "u2"}));
  env.configuration.setPinTo("top");
  env.defaults.remove("pinTo");
  EXPECT_EQ(textsOf(sorter.sort(items)), (Texts{"p1", "p2", "u1", "u2"}));
}

TEST_F(SorterTest, EachGroupKeepsTheKeyOrderAndEqualKeysKeepTheInputOrder) {
  // Worked by hand. Pinned: a, d, f. Ties: c and a were last copied at 30; b, f, d were copied
  // once, c, a, e twice.
  const std::vector<HistoryItemPtr> input{entry("c", 20, 30, 2),         entry("a", 0, 30, 2, "a"),
                                          entry("e", 40, 40, 2),         entry("b", 10, 10, 1),
                                          entry("f", 50, 50, 1, "f"),    entry("d", 30, 60, 1, "d")};
  struct Row {
    const char* pinTo;
    const char* by;
    Texts expected;
  };
  const std::vector<Row> rows{
      {"bottom", "lastCopiedAt", {"a", "f", "d", "b", "c", "e"}},
      {"top", "lastCopiedAt", {"b", "c", "e", "a", "f", "d"}},
      {"bottom", "firstCopiedAt", {"a", "d", "f", "b", "c", "e"}},
      {"top", "firstCopiedAt", {"b", "c", "e", "a", "d", "f"}},
      {"bottom", "numberOfCopies", {"f", "d", "a", "b", "c", "e"}},
      {"top", "numberOfCopies", {"b", "c", "e", "f", "d", "a"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.pinTo) + ", " + row.by);
    env.configuration.setPinTo(row.pinTo);
    EXPECT_EQ(sorted(row.by, input), row.expected);
  }
}

}  // namespace
}  // namespace marbrel
