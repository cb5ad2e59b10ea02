#include <gtest/gtest.h>
#include <sqlite3.h>

#include "core/history/History.h"
#include "core/history/HistoryStore.h"
#include "support/TempDir.h"
#include "StoreTestSupport.h"

namespace marbrel {
namespace {

using testing::StoreEnvironment;
using testing::TempDir;
using testing::text;
using testing::textsOf;
using Texts = std::vector<std::string>;

class HistoryTest : public ::testing::Test {
 protected:
  StoreEnvironment env;
  TempDir dir;
  std::filesystem::path file = dir / "MarbrelStorage.sqlite";
  std::unique_ptr<HistoryStore> store = env.openInMemory();
  History history{*store, env.configuration};

  // A copy as the clipboard makes it: a new entry, a second later than the previous one.
  HistoryItemPtr copy(std::vector<NewContent> contents) {
    env.clock.advance(1);
    auto item = store->insertItem(std::move(contents));
    history.add(item);
    return item;
  }
  HistoryItemPtr copyText(const std::string& value) { return copy(text(value)); }
};

TEST_F(HistoryTest, RegistersTheSizeLimitOf200) {
  EXPECT_EQ(env.configuration.historySize(), 200);
}

TEST_F(HistoryTest, DistinctCopyIntoAFullHistoryDropsTheOldestUnpinnedEntry) {
  auto pinned = copyText("pinned");
  pinned->setPin("p");
  store->saveContext();
  for (int i = 0; i < 200; ++i) copyText("entry " + std::to_string(i));
  EXPECT_EQ(store->unpinned().size(), 200u);
  auto fresh = copyText("fresh");
  auto unpinned = store->unpinned();
  ASSERT_EQ(unpinned.size(), 200u);
  EXPECT_EQ(unpinned.front(), fresh);
  EXPECT_EQ(textsOf({unpinned.back()}), (Texts{"entry 1"}));
  EXPECT_EQ(store->count(), 201u);
  EXPECT_TRUE(pinned->isLive());
  EXPECT_FALSE(store->hasChanges());
}

TEST_F(HistoryTest, RepeatedCopyMergesIntoTheEarlierEntryAndIsCommitted) {
  auto first = copyText("same");
  copyText("other");
  first->setPin("a");
  store->saveContext();
  const double firstDate = first->firstCopiedAt();
  auto again = copyText("same");
  EXPECT_FALSE(again->isLive());
  EXPECT_EQ(store->count(), 2u);
  EXPECT_EQ(first->numberOfCopies(), 2);
  EXPECT_EQ(first->lastCopiedAt(), again->firstCopiedAt());
  EXPECT_EQ(first->firstCopiedAt(), firstDate);
  EXPECT_EQ(first->pin(), "a");
  EXPECT_FALSE(store->hasChanges());
}

TEST_F(HistoryTest, MergeGoesToTheOldestOfSeveralEqualEntriesOnly) {
  // Equal entries can exist side by side, e.g. from before a merge rule changed.
  auto oldest = store->insertItem(text("same"));
  env.clock.advance(1);
  auto middle = store->insertItem(text("same"));
  store->saveContext();
  copyText("same");
  EXPECT_EQ(oldest->numberOfCopies(), 2);
  EXPECT_EQ(middle->numberOfCopies(), 1);
  EXPECT_EQ(middle->lastCopiedAt(), middle->firstCopiedAt());
}

TEST_F(HistoryTest, DuplicateWhoseOnlyMatchIsTrimmedStaysAsAFreshEntry) {
  env.configuration.setHistorySize(3);
  copyText("a");
  copyText("b");
  copyText("c");
  auto again = copyText("a");
  EXPECT_TRUE(again->isLive());
  EXPECT_EQ(again->numberOfCopies(), 1);
  EXPECT_EQ(textsOf(history.all()), (Texts{"a", "c", "b"}));
}

TEST_F(HistoryTest, ZeroLimitRemovesEveryUnpinnedEntryOnTheNextReadButKeepsPinnedOnes) {
  auto pinned = copyText("pinned");
  pinned->setPin("p");
  copyText("a");
  copyText("b");
  store->saveContext();
  env.configuration.setHistorySize(0);
  EXPECT_EQ(history.all(), (std::vector<HistoryItemPtr>{pinned}));
  auto lost = copyText("c");
  EXPECT_FALSE(lost->isLive());
  EXPECT_EQ(history.all(), (std::vector<HistoryItemPtr>{pinned}));
  // A copy of the pinned entry's text is trimmed before it can be compared, so nothing merges.
  copyText("pinned");
  EXPECT_EQ(pinned->numberOfCopies(), 1);
  EXPECT_FALSE(store->hasChanges());
}

TEST_F(HistoryTest, NegativeLimitKeepsNoUnpinnedEntries) {
  copyText("a");
  env.configuration.setHistorySize(-5);
  EXPECT_TRUE(history.all().empty());
}

TEST_F(HistoryTest, ContentsMatchInAnyOrderButNeverWithADifferentCount) {
  auto first = copy({{"text/plain", "hi"}, {"text/html", "<b>hi</b>"}});
  auto reordered = copy({{"text/html", "<b>hi</b>"}, {"text/plain", "hi"}});
  EXPECT_FALSE(reordered->isLive());
  EXPECT_EQ(first->numberOfCopies(), 2);
  auto fewer = copy({{"text/plain", "hi"}});
  EXPECT_TRUE(fewer->isLive());
  auto more = copy({{"text/plain", "hi"}, {"text/html", "<b>hi</b>"}, {"text/x-moz-url", "x"}});
  EXPECT_TRUE(more->isLive());
}

TEST_F(HistoryTest, TypesAndValuesDecideSameContentsAbsentDiffersFromEmpty) {
  auto textItem = store->insertItem({{"text/plain", "data"}});
  auto imageItem = store->insertItem({{"image/png", "data"}});
  EXPECT_FALSE(History::sameContents(*textItem, *imageItem));
  auto empty = store->insertItem({{"text/plain", ""}});
  auto absent = store->insertItem({{"text/plain", std::nullopt}});
  auto absent2 = store->insertItem({{"text/plain", std::nullopt}});
  EXPECT_FALSE(History::sameContents(*empty, *absent));
  EXPECT_TRUE(History::sameContents(*absent, *absent2));
  auto untyped = store->insertItem({{std::nullopt, "v"}});
  auto untyped2 = store->insertItem({{std::nullopt, "v"}});
  auto emptyType = store->insertItem({{"", "v"}});
  EXPECT_TRUE(History::sameContents(*untyped, *untyped2));
  EXPECT_FALSE(History::sameContents(*untyped, *emptyType));
  auto none = store->insertItem({});
  auto none2 = store->insertItem({});
  EXPECT_TRUE(History::sameContents(*none, *none2));
}

TEST_F(HistoryTest, RepeatedContentsFollowTheRuleAsWritten) {
  // Every content of the earlier entry must appear in the later one, counts aside.
  auto earlier = copy({{"a", "1"}, {"a", "1"}});
  auto later = copy({{"a", "1"}, {"b", "2"}});
  EXPECT_TRUE(History::sameContents(*earlier, *later));
  EXPECT_FALSE(History::sameContents(*later, *earlier));
  EXPECT_FALSE(later->isLive());
  EXPECT_EQ(earlier->numberOfCopies(), 2);
  auto repeatedLater = copy({{"b", "2"}, {"b", "2"}});
  EXPECT_TRUE(repeatedLater->isLive());
}

TEST_F(HistoryTest, CopyDatedBeforeItsDuplicateMergesIntoTheOtherEntryAndIsNotLost) {
  auto existing = copyText("same");
  env.clock.advance(-3600);  // the system clock was set back
  auto item = store->insertItem(text("same"));
  EXPECT_EQ(history.findSimilarItem(item), existing);
  history.add(item);
  EXPECT_TRUE(existing->isLive());
  EXPECT_EQ(existing->numberOfCopies(), 2);
  EXPECT_EQ(store->count(), 1u);
}

TEST_F(HistoryTest, FindSimilarItemIsNoneForAFirstCopy) {
  copyText("a");
  auto item = store->insertItem(text("b"));
  EXPECT_EQ(history.findSimilarItem(item), nullptr);
  EXPECT_EQ(history.findSimilarItem(nullptr), nullptr);
}

TEST_F(HistoryTest, ClearUnpinnedLeavesExactlyThePinnedAndClearAllLeavesNothing) {
  auto pinned = copyText("p");
  pinned->setPin("p");
  copyText("a");
  copyText("b");
  store->saveContext();
  history.clearUnpinned();
  EXPECT_EQ(history.all(), (std::vector<HistoryItemPtr>{pinned}));
  EXPECT_FALSE(store->hasChanges());
  history.clearAll();
  EXPECT_TRUE(history.all().empty());
  EXPECT_FALSE(store->hasChanges());
}

TEST(HistoryOnDiskTest, CopiesMergeIntoEntriesStoredByAnEarlierRunAndRemovalsAreCommitted) {
  StoreEnvironment env;
  TempDir dir;
  const auto file = dir / "MarbrelStorage.sqlite";
  const std::string image(2u * 1024 * 1024, '\x89');
  {
    auto store = env.openFile(file);
    History history(*store, env.configuration);
    history.add(store->insertItem({{"image/png", image}}));
    env.clock.advance(1);
    history.add(store->insertItem(text("text")));
    env.clock.advance(1);
    history.add(store->insertItem(text("gone")));
  }
  auto store = env.openFile(file);
  History history(*store, env.configuration);
  env.clock.advance(10);
  history.add(store->insertItem({{"image/png", image}}));
  history.add(store->insertItem(text("text")));
  history.remove(store->all().front());  // "text" was merged, so "gone" is the newest
  auto all = history.all();
  ASSERT_EQ(all.size(), 2u);
  EXPECT_EQ(all[0]->numberOfCopies(), 2);
  EXPECT_EQ(all[1]->numberOfCopies(), 2);
  // The stored image was read only for the comparison.
  EXPECT_FALSE(all[1]->contents().front()->isValueLoaded());
  store.reset();
  auto reopened = env.openFile(file);
  EXPECT_EQ(reopened->count(), 2u);
  EXPECT_EQ(reopened->all()[0]->lastCopiedAt(), env.clock.now());
}

TEST(HistoryOnDiskTest, DeletionThatFailsToSaveIsRetriedByTheNextSave) {
  StoreEnvironment env;
  TempDir dir;
  const auto file = dir / "MarbrelStorage.sqlite";
  auto store = env.openFile(file);
  store->setBusyTimeout(0);
  History history(*store, env.configuration);
  history.add(store->insertItem(text("a")));
  env.clock.advance(1);
  history.add(store->insertItem(text("b")));
  sqlite3* other = nullptr;
  sqlite3_open(file.c_str(), &other);
  sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
  history.remove(store->all().back());
  sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
  sqlite3_close(other);
  EXPECT_EQ(env.log.str().rfind("Unresolved error ", 0), 0u);
  EXPECT_EQ(textsOf(history.all()), (Texts{"b"}));
  EXPECT_TRUE(store->hasChanges());
  history.add(store->insertItem(text("c")));
  EXPECT_FALSE(store->hasChanges());
  store.reset();
  EXPECT_EQ(textsOf(env.openFile(file)->all()), (Texts{"c", "b"}));
}

TEST(HistoryUiTestingTest, StartsWithAnEmptyHistory) {
  StoreEnvironment env;
  TempDir dir;
  const auto file = dir / "MarbrelStorage.sqlite";
  {
    auto store = env.openFile(file);
    store->insertItem(text("a"));
    store->insertItem(text("b"))->setPin("b");
    store->saveContext();
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
