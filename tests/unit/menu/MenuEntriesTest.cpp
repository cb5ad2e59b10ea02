#include <algorithm>
#include <random>

#include "MenuFixture.h"
#include "core/history/Sorter.h"
#include "core/menu/MenuEntries.h"
#include "support/TempDir.h"

namespace marbrel::testing {
namespace {

using Entries = std::vector<HistoryItemPtr>;

// The menu's order kept in step with the store must always be the one sorting the whole history
// afresh gives (the Sorter's, shown last first), whatever happened in between.
class MenuEntriesTest : public MenuFixture {
 protected:
  static Entries kept(const MenuEntries& from) {
    Entries result;
    for (const auto slot : *from.order()) result.push_back(from.entry(slot));
    return result;
  }
  Entries kept() const { return kept(entries); }
  Entries sortedAfresh(const HistoryStore& from, const std::string& sortBy) {
    Entries sorted = Sorter(sortBy, configuration).sort(from.all());
    std::reverse(sorted.begin(), sorted.end());
    return sorted;
  }
  void update() {
    entries.update(MenuEntries::sortKeyFor(configuration.sortBy()), configuration.pinTo() == "bottom");
  }

  MenuEntries entries{*store, Search::defaultFuse()};
};

TEST_F(MenuEntriesTest, TheKeptOrderIsTheSortersAfterEveryKindOfChange) {
  std::mt19937 rng(5);
  configuration.setHistorySize(60);
  for (int step = 0; step < 1500; ++step) {
    SCOPED_TRACE(step);
    const Entries all = store->all();
    const auto any = [&] { return all[rng() % all.size()]; };
    switch (all.empty() ? 0 : rng() % 7) {
      case 0:
      case 1:  // a copy, often of something already there, sometimes in the same second
        queue.advance(rng() % 3);
        history->add(store->insertItem({{std::string("text/plain"), "text " + std::to_string(rng() % 80)}}));
        break;
      case 2:
        any()->setPin(rng() % 2 ? std::optional<std::string>("k") : std::nullopt);
        break;
      case 3:
        any()->setNumberOfCopies(1 + rng() % 4);
        break;
      case 4:
        history->remove(any());
        break;
      case 5:
        any()->setLastCopiedAt(queue.now() - rng() % 5);
        break;
      default:
        configuration.setSortBy(Texts{"lastCopiedAt", "firstCopiedAt", "numberOfCopies", "x"}[rng() % 4]);
        configuration.setPinTo(rng() % 2 ? "top" : "bottom");
        break;
    }
    if (rng() % 4 == 0) {
      history->trim();
      update();
      ASSERT_EQ(kept(), sortedAfresh(*store, configuration.sortBy()));
    }
  }
}

TEST_F(MenuEntriesTest, AClosedMenuKeepsItsOrderUntilTheNextUpdate) {
  const auto a = addText("a");
  const auto b = addText("b");
  update();
  const auto before = entries.order();
  const MenuEntries::Order snapshot = *before;
  addText("c");
  a->setPin("x");
  history->remove(b);
  EXPECT_EQ(kept(), (Entries{b, a})) << "entries wait for the update, kept alive meanwhile";
  update();
  EXPECT_EQ(kept().size(), 2u);
  EXPECT_EQ(kept().back(), a) << "pinned to the bottom";
  EXPECT_EQ(*before, snapshot) << "an order handed out never changes";
}

TEST_F(MenuEntriesTest, WhatWasReadAheadIsTakenOverWithTheChangesMadeSince) {
  TempDir dir;
  const auto file = dir / "MarbrelStorage.sqlite";
  {
    auto onDisk = HistoryStore::open(file, queue, false, log);
    for (const char* text : {"alpha", "Beta", "gamma", "delta"}) {
      queue.advance(1);
      onDisk->insertItem({{std::string("text/plain"), std::string(text)}});
    }
    onDisk->saveContext();
  }
  const auto readAhead = [&](MenuEntries::SortKey key) {
    auto preparation = std::make_shared<MenuEntries::Preparation>(Search::defaultFuse(), key, true);
    auto loaded = HistoryStore::openInBackground(file, queue, log, log,
                                                 [preparation](HistoryStore& read) { preparation->prepare(read); });
    auto made = std::make_unique<MenuEntries>(*loaded, Search::defaultFuse());
    made->adopt(preparation);
    return std::pair(std::move(loaded), std::move(made));
  };
  for (const auto key : {MenuEntries::SortKey::lastCopiedAt, MenuEntries::SortKey::numberOfCopies}) {
    auto [loaded, made] = readAhead(key);
    // Changes before the menu first opens are taken over.
    const auto all = loaded->all();
    all[0]->setPin("a");
    all[1]->setNumberOfCopies(5);
    loaded->deleteItem(all[2]);
    queue.advance(1);
    loaded->insertItem({{std::string("text/plain"), std::string("epsilon")}});
    made->update(MenuEntries::SortKey::lastCopiedAt, true);
    EXPECT_EQ(kept(*made), sortedAfresh(*loaded, "lastCopiedAt"));
    loaded->saveContext();
  }
}

}  // namespace
}  // namespace marbrel::testing
