#include <gtest/gtest.h>

#include <map>

#include "StoreTestSupport.h"
#include "core/history/Sorter.h"

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
};

// The pin setting is read at every sort: anything but "bottom" puts the pinned group last, and
// none at all means bottom.
TEST_F(SorterTest, EachGroupKeepsTheKeyOrderAndEqualKeysKeepTheInputOrder) {
  // Worked by hand. Pinned: a, d, f. Ties: c and a were last copied at 30; b, f, d were copied
  // once, c, a, e twice.
  const std::vector<HistoryItemPtr> input{entry("c", 20, 30, 2),         entry("a", 0, 30, 2, "a"),
                                          entry("e", 40, 40, 2),         entry("b", 10, 10, 1),
                                          entry("f", 50, 50, 1, "f"),    entry("d", 30, 60, 1, "d")};
  struct Row { const char* pinTo; const char* by; Texts expected; };  // pinTo nullptr: none stored
  const std::vector<Row> rows{
      {"bottom", "lastCopiedAt", {"a", "f", "d", "b", "c", "e"}},
      {"top", "lastCopiedAt", {"b", "c", "e", "a", "f", "d"}},
      {"bottom", "firstCopiedAt", {"a", "d", "f", "b", "c", "e"}},
      {"bottom", "numberOfCopies", {"f", "d", "a", "b", "c", "e"}},
      {"bottom", "anything else", {"a", "f", "d", "b", "c", "e"}},  // as lastCopiedAt
      {"sideways", "lastCopiedAt", {"b", "c", "e", "a", "f", "d"}},
      {nullptr, "lastCopiedAt", {"a", "f", "d", "b", "c", "e"}},
  };
  std::map<std::string, Sorter> sorters;  // made before the settings change: each sort reads them
  for (const Row& row : rows) sorters.try_emplace(row.by, row.by, env.configuration);
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.pinTo ? row.pinTo : "none") + ", " + row.by);
    if (row.pinTo) env.configuration.setPinTo(row.pinTo);
    else env.defaults.remove("pinTo");
    EXPECT_EQ(textsOf(sorters.at(row.by).sort(input)), row.expected);
  }
}

}  // namespace
}  // namespace marbrel
