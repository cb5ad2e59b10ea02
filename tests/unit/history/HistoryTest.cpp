#include <gtest/gtest.h>

#include "core/history/History.h"
#include "StoreTestSupport.h"
#include "support/TempDir.h"

namespace marbrel {
namespace {

using testing::text;
using testing::textsOf;
using testing::Texts;
using Items = std::vector<HistoryItemPtr>;

class HistoryTest : public testing::StoreTest {
 protected:
  std::unique_ptr<HistoryStore> store = env.openInMemory();
  History history{*store, env.configuration};

  // A copy as the clipboard makes it: a new entry a second after the previous one, then add.
  HistoryItemPtr copy(std::vector<NewContent> contents) {
    env.clock.advance(1);
    auto item = store->insertItem(std::move(contents));
    history.add(item);
    return item;
  }
  HistoryItemPtr copyText(const std::string& value) { return copy(text(value)); }
  HistoryItemPtr pinned(const std::string& value) {
    auto item = copyText(value);
    item->setPin(value);
    store->saveContext();
    return item;
  }
};

TEST_F(HistoryTest, DistinctCopyIntoAFullHistoryDropsTheOldestUnpinnedEntry) {
  EXPECT_EQ(env.configuration.historySize(), 200);
  auto pin = pinned("p");
  for (int i = 0; i < 200; ++i) copyText("entry " + std::to_string(i));
  auto fresh = copyText("fresh");
  auto unpinned = store->unpinned();
  ASSERT_EQ(unpinned.size(), 200u);
  EXPECT_EQ(unpinned.front(), fresh);
  EXPECT_EQ(textsOf({unpinned.back()}), (Texts{"entry 1"}));
  EXPECT_TRUE(pin->isLive());
  EXPECT_FALSE(store->hasChanges());
}

TEST_F(HistoryTest, RepeatedCopyMergesIntoTheOldestEqualEntryKeepingItsDateAndPin) {
  auto oldest = pinned("same");
  const double created = oldest->firstCopiedAt();
  env.clock.advance(1);
  auto middle = store->insertItem(text("same"));  // equal entries can exist side by side
  copyText("other");
  auto again = copyText("same");
  EXPECT_FALSE(again->isLive());
  EXPECT_EQ(oldest->numberOfCopies(), 2);
  EXPECT_EQ(oldest->lastCopiedAt(), again->firstCopiedAt());
  EXPECT_EQ(oldest->firstCopiedAt(), created);
  EXPECT_EQ(oldest->pin(), "same");
  EXPECT_EQ(middle->numberOfCopies(), 1);
  EXPECT_EQ(store->count(), 3u);
  EXPECT_FALSE(store->hasChanges());
}

TEST_F(HistoryTest, DuplicateWhoseOnlyMatchIsTrimmedStaysAsAFreshEntry) {
  env.configuration.setHistorySize(3);
  for (const char* name : {"a", "b", "c"}) copyText(name);
  auto again = copyText("a");
  EXPECT_EQ(again->numberOfCopies(), 1);
  EXPECT_EQ(textsOf(history.all()), (Texts{"a", "c", "b"}));
}

TEST_F(HistoryTest, ZeroOrNegativeLimitRemovesEveryUnpinnedEntryButKeepsPinnedOnes) {
  auto pin = pinned("pinned");
  copyText("a");
  env.configuration.setHistorySize(0);
  EXPECT_EQ(history.all(), (Items{pin}));
  EXPECT_FALSE(copyText("b")->isLive());
  // A copy of the pinned text is trimmed before it can be compared, so nothing merges.
  copyText("pinned");
  EXPECT_EQ(pin->numberOfCopies(), 1);
  env.configuration.setHistorySize(-5);
  copyText("c");
  EXPECT_EQ(history.all(), (Items{pin}));
  EXPECT_FALSE(store->hasChanges());
}

TEST_F(HistoryTest, ContentsMatchInAnyOrderButNeverWithADifferentCount) {
  auto first = copy({{"text/plain", "hi"}, {"text/html", "<b>hi</b>"}});
  EXPECT_FALSE(copy({{"text/html", "<b>hi</b>"}, {"text/plain", "hi"}})->isLive());
  EXPECT_EQ(first->numberOfCopies(), 2);
  EXPECT_TRUE(copy({{"text/plain", "hi"}})->isLive());
  EXPECT_TRUE(copy({{"text/plain", "hi"}, {"text/html", "<b>hi</b>"}, {"text/x-moz-url", "x"}})->isLive());
}

TEST_F(HistoryTest, SameContentsComparesTypesAndBytesWithAbsentUnlikeEmpty) {
  auto same = [&](std::vector<NewContent> a, std::vector<NewContent> b) {
    return History::sameContents(*store->insertItem(std::move(a)), *store->insertItem(std::move(b)));
  };
  EXPECT_FALSE(same({{"text/plain", "data"}}, {{"image/png", "data"}}));
  EXPECT_FALSE(same({{"text/plain", ""}}, {{"text/plain", std::nullopt}}));
  EXPECT_TRUE(same({{"text/plain", std::nullopt}}, {{"text/plain", std::nullopt}}));
  EXPECT_TRUE(same({{std::nullopt, "v"}}, {{std::nullopt, "v"}}));
  EXPECT_FALSE(same({{std::nullopt, "v"}}, {{"", "v"}}));
  EXPECT_TRUE(same({}, {}));
  // Every content of the earlier entry must appear in the later one; counts play no part.
  EXPECT_TRUE(same({{"a", "1"}, {"a", "1"}}, {{"a", "1"}, {"b", "2"}}));
  EXPECT_FALSE(same({{"a", "1"}, {"b", "2"}}, {{"a", "1"}, {"a", "1"}}));
}

TEST_F(HistoryTest, EntryRepeatingAContentIsFoundAsTheRuleSays) {
  auto earlier = copy({{"a", "1"}, {"a", "1"}});
  EXPECT_FALSE(copy({{"a", "1"}, {"b", "2"}})->isLive());
  EXPECT_EQ(earlier->numberOfCopies(), 2);
  EXPECT_TRUE(copy({{"b", "2"}, {"b", "2"}})->isLive());
}

TEST_F(HistoryTest, CopyDatedBeforeItsDuplicateMergesIntoTheOtherEntryAndIsNotLost) {
  auto existing = copyText("same");
  env.clock.advance(-3600);  // the system clock was set back
  auto item = store->insertItem(text("same"));
  EXPECT_EQ(history.findSimilarItem(item), existing);
  history.add(item);
  EXPECT_EQ(existing->numberOfCopies(), 2);
  EXPECT_EQ(history.all(), (Items{existing}));
  EXPECT_EQ(history.findSimilarItem(store->insertItem(text("new"))), nullptr);
}

TEST_F(HistoryTest, ClearUnpinnedLeavesExactlyThePinnedAndClearAllLeavesNothing) {
  auto pin = pinned("p");
  copyText("a");
  copyText("b");
  history.clearUnpinned();
  EXPECT_EQ(history.all(), (Items{pin}));
  history.clearAll();
  EXPECT_TRUE(history.all().empty());
  EXPECT_FALSE(store->hasChanges());
}

TEST(HistoryOnDiskTest, CopiesMergeIntoEntriesOfAnEarlierRunAndUiTestingStartsEmpty) {
  testing::StoreEnvironment env;
  testing::TempDir dir;
  const auto file = dir / "MarbrelStorage.sqlite";
  const std::string image(2u * 1024 * 1024, '\x89');
  {
    auto store = env.openFile(file);
    History history(*store, env.configuration);
    history.add(store->insertItem({{"image/png", image}}));
    env.clock.advance(1);
    history.add(store->insertItem(text("text")));
  }
  {
    auto store = env.openFile(file);
    History history(*store, env.configuration);
    env.clock.advance(10);
    history.add(store->insertItem({{"image/png", image}}));
    history.add(store->insertItem(text("text")));
    auto all = history.all();
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[0]->numberOfCopies(), 2);
    EXPECT_EQ(all[1]->numberOfCopies(), 2);
    EXPECT_FALSE(all[1]->contents()[0]->isValueLoaded());  // read only for the comparison
  }
  ProcessArguments arguments({"marbrel", "ui-testing"});
  Configuration configuration(env.defaults, arguments);
  auto store = env.openFile(file);
  History history(*store, configuration);
  EXPECT_TRUE(history.all().empty());
  EXPECT_FALSE(store->hasChanges());
}

}  // namespace
}  // namespace marbrel
