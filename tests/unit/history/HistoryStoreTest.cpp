#include <gtest/gtest.h>

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

class HistoryStoreTest : public ::testing::Test {
 protected:
  StoreEnvironment env;
  TempDir dir;
  std::filesystem::path file = dir / "data" / "MarbrelStorage.sqlite";
};

TEST_F(HistoryStoreTest, NewEntryIsVisibleFirstBeforeAnySaveWithEqualDatesAndOneCopy) {
  auto store = env.openInMemory();
  store->insertItem(text("older"));
  env.clock.advance(5);
  auto item = store->insertItem(text("newer"));
  EXPECT_TRUE(store->hasChanges());
  EXPECT_EQ(store->all().front(), item);
  EXPECT_EQ(item->firstCopiedAt(), env.clock.now());
  EXPECT_EQ(item->lastCopiedAt(), item->firstCopiedAt());
  EXPECT_EQ(item->numberOfCopies(), 1);
  EXPECT_FALSE(item->pin());
  EXPECT_EQ(item->contents().front()->item(), item.get());
}

TEST_F(HistoryStoreTest, EntriesWithEqualDatesListTheLaterCreatedFirstAndKeepThatOrderAfterReopening) {
  {
    auto store = env.openFile(file);
    for (const char* name : {"a", "b", "c"}) store->insertItem(text(name));
    EXPECT_EQ(textsOf(store->all()), (Texts{"c", "b", "a"}));
    store->saveContext();
  }
  auto store = env.openFile(file);
  EXPECT_EQ(textsOf(store->all()), (Texts{"c", "b", "a"}));
}

TEST_F(HistoryStoreTest, DeletionHidesAnEntryAtOnceAndSaveMakesItLastOrUndoesNothing) {
  {
    auto store = env.openFile(file);
    auto keep = store->insertItem(text("keep"));
    auto drop = store->insertItem(text("drop"));
    store->saveContext();
    EXPECT_FALSE(store->hasChanges());
    store->deleteItem(drop);
    EXPECT_TRUE(store->hasChanges());
    EXPECT_EQ(textsOf(store->all()), (Texts{"keep"}));
    EXPECT_FALSE(drop->isLive());
    store->deleteItem(drop);  // twice is harmless
    store->saveContext();
  }
  auto store = env.openFile(file);
  EXPECT_EQ(textsOf(store->all()), (Texts{"keep"}));
}

TEST_F(HistoryStoreTest, DeletingAnUnsavedEntryLeavesNothingToSave) {
  auto store = env.openInMemory();
  auto item = store->insertItem(text("x"));
  store->deleteItem(item);
  EXPECT_FALSE(store->hasChanges());
  EXPECT_TRUE(store->all().empty());
  EXPECT_EQ(item->contents().front()->value(), "x");  // its bytes stay readable
}

TEST_F(HistoryStoreTest, FieldChangesArePendingUntilSavedAndThenPersist) {
  {
    auto store = env.openFile(file);
    auto item = store->insertItem(text("x"));
    store->saveContext();
    item->setPin("b");
    item->setNumberOfCopies(7);
    item->setLastCopiedAt(item->firstCopiedAt() + 60);
    EXPECT_TRUE(store->hasChanges());
    EXPECT_EQ(store->unpinned().size(), 0u);
    store->saveContext();
    EXPECT_FALSE(store->hasChanges());
  }
  auto store = env.openFile(file);
  ASSERT_EQ(store->all().size(), 1u);
  auto item = store->all().front();
  EXPECT_EQ(item->pin(), "b");
  EXPECT_EQ(item->numberOfCopies(), 7);
  EXPECT_EQ(item->lastCopiedAt(), item->firstCopiedAt() + 60);
  EXPECT_EQ(item->firstCopiedAt(), env.clock.now());
}

TEST_F(HistoryStoreTest, UnpinnedCountAndOldestUnpinnedFollowPinsAndDeletions) {
  auto store = env.openInMemory();
  auto oldest = store->insertItem(text("a"));
  env.clock.advance(1);
  auto middle = store->insertItem(text("b"));
  env.clock.advance(1);
  auto newest = store->insertItem(text("c"));
  oldest->setPin("a");
  EXPECT_EQ(store->unpinnedCount(), 2u);
  EXPECT_EQ(store->oldestUnpinned(), middle);
  EXPECT_EQ(store->unpinned(), (std::vector<HistoryItemPtr>{newest, middle}));
  store->deleteItem(oldest);
  oldest->setPin(std::nullopt);  // a deleted entry no longer counts either way
  EXPECT_EQ(store->unpinnedCount(), 2u);
  middle->setPin("m");
  store->deleteItem(middle);
  EXPECT_EQ(store->unpinnedCount(), 1u);
  newest->setPin("n");
  EXPECT_EQ(store->unpinnedCount(), 0u);
  EXPECT_EQ(store->oldestUnpinned(), nullptr);
  newest->setPin(std::nullopt);
  EXPECT_EQ(store->unpinnedCount(), 1u);
}

TEST_F(HistoryStoreTest, SaveWithNothingChangedWritesNothing) {
  auto store = env.openFile(file);
  store->saveContext();
  EXPECT_EQ(env.log.str(), "");
  EXPECT_FALSE(store->hasChanges());
}

TEST_F(HistoryStoreTest, OddDataIsStoredAndReadBackExactly) {
  const std::string notUtf8("\xff\xfe\xc3\x28 caf\xe9", 10);
  const std::string nulType("odd\0type\n\"quoted\" 'single' \\", 27);
  std::vector<NewContent> many;
  for (int i = 0; i < 200; ++i) many.push_back({"type/" + std::to_string(i), std::to_string(i)});
  const std::string big(50u * 1024 * 1024, 'z');
  {
    auto store = env.openFile(file);
    store->insertItem({{"text/plain", notUtf8}});
    store->insertItem({{"text/plain", std::string()}, {"image/png", std::nullopt}});
    store->insertItem({{std::nullopt, "no type"}});
    store->insertItem(many);
    store->insertItem({{nulType, std::string("a\0b", 3)}});
    store->insertItem({{"image/png", big}});
    store->saveContext();
    EXPECT_EQ(env.log.str(), "");
  }
  auto store = env.openFile(file);
  auto all = store->all();
  ASSERT_EQ(all.size(), 6u);
  EXPECT_EQ(all[0]->contents()[0]->size(), big.size());
  EXPECT_FALSE(all[0]->contents()[0]->isValueLoaded());
  EXPECT_TRUE(all[0]->contents()[0]->value() == big);
  EXPECT_EQ(all[1]->contents()[0]->type(), nulType);
  EXPECT_EQ(all[1]->contents()[0]->value(), std::string("a\0b", 3));
  ASSERT_EQ(all[2]->contents().size(), 200u);
  for (int i = 0; i < 200; ++i) {
    EXPECT_EQ(all[2]->contents()[i]->type(), "type/" + std::to_string(i));
    EXPECT_EQ(all[2]->contents()[i]->value(), std::to_string(i));
  }
  EXPECT_FALSE(all[3]->contents()[0]->type().has_value());
  EXPECT_EQ(all[3]->contents()[0]->value(), "no type");
  ASSERT_EQ(all[4]->contents().size(), 2u);
  EXPECT_EQ(all[4]->contents()[0]->value(), std::string());
  EXPECT_TRUE(all[4]->contents()[0]->hasValue());
  EXPECT_FALSE(all[4]->contents()[1]->value().has_value());
  EXPECT_FALSE(all[4]->contents()[1]->hasValue());
  EXPECT_EQ(all[5]->contents()[0]->value(), notUtf8);
}

TEST_F(HistoryStoreTest, StoredValuesLoadOnFirstUseAndCanBeReleasedAndReadAgain) {
  {
    auto store = env.openFile(file);
    store->insertItem(text("small"));
    store->saveContext();
  }
  auto store = env.openFile(file);
  auto item = store->all().front();
  const auto& content = *item->contents().front();
  EXPECT_FALSE(content.isValueLoaded());
  EXPECT_EQ(content.size(), 5u);
  EXPECT_EQ(content.value(), "small");
  content.releaseValue();
  EXPECT_FALSE(content.isValueLoaded());
  EXPECT_EQ(content.value(), "small");
}

TEST_F(HistoryStoreTest, EntriesOutlivingTheirStoreAndContentsOutlivingTheirEntryStaySafe) {
  std::shared_ptr<HistoryItemContent> orphan;
  HistoryItemPtr survivor;
  {
    auto store = env.openInMemory();
    auto item = store->insertItem(text("x"));
    store->saveContext();
    survivor = store->insertItem(text("y"));
    orphan = item->contents().front();
  }
  EXPECT_EQ(orphan->item(), nullptr);
  EXPECT_EQ(orphan->value(), "x");
  survivor->setPin("a");  // no store to tell: nothing happens
  EXPECT_EQ(survivor->contents().front()->value(), "y");
}

TEST_F(HistoryStoreTest, InMemoryStoreLeavesTheDiskAlone) {
  auto store = HistoryStore::open(file, env.clock, true, env.log);
  store->insertItem(text("x"));
  store->saveContext();
  EXPECT_TRUE(store->isInMemory());
  EXPECT_FALSE(std::filesystem::exists(file.parent_path()));
  EXPECT_EQ(env.log.str(), "");
}

TEST_F(HistoryStoreTest, PossibleDuplicatesFindEqualContentsInAnyOrderNewestFirst) {
  auto store = env.openInMemory();
  auto first = store->insertItem({{"a", "1"}, {"b", "2"}});
  store->insertItem({{"a", "1"}});
  env.clock.advance(1);
  auto second = store->insertItem({{"b", "2"}, {"a", "1"}});
  auto found = store->possibleDuplicates(*first);
  EXPECT_EQ(found, (std::vector<HistoryItemPtr>{second, first}));
  // An entry repeating a content may match entries of any shape, so every entry is a candidate.
  auto repeated = store->insertItem({{"a", "1"}, {"a", "1"}});
  EXPECT_FALSE(repeated->hasDistinctContents());
  EXPECT_EQ(store->possibleDuplicates(*repeated).size(), 4u);
  EXPECT_EQ(store->possibleDuplicates(*second).size(), 3u);
}

}  // namespace
}  // namespace marbrel
