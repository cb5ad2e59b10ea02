#include <algorithm>
#include <fstream>
#include <iterator>
#include <sstream>

#include <gtest/gtest.h>

#include "StoreTestSupport.h"
#include "core/history/History.h"
#include "support/TempDir.h"

namespace marbrel {
namespace {

using testing::text;
using testing::textsOf;
using testing::Texts;

class HistoryStoreTest : public testing::StoreTest {
 protected:
  testing::TempDir dir;
  std::filesystem::path file = dir / "my data" / "MarbrelStorage.sqlite";
};

TEST_F(HistoryStoreTest, UnsavedChangesAreVisibleAtOnceAndSavedOnesSurviveReopening) {
  {
    auto store = env.openFile(file);
    for (const char* name : {"a", "b", "c"}) store->insertItem(text(name));  // equal dates
    env.clock.advance(5);
    auto newest = store->insertItem(text("d"));
    EXPECT_EQ(newest->firstCopiedAt(), env.clock.now());
    EXPECT_EQ(newest->lastCopiedAt(), newest->firstCopiedAt());
    EXPECT_EQ(textsOf(store->all()), (Texts{"d", "c", "b", "a"}));
    store->saveContext();
    EXPECT_FALSE(store->hasChanges());
    auto b = store->all()[2];
    store->deleteItem(b);
    store->deleteItem(b);  // twice is harmless
    EXPECT_TRUE(store->hasChanges());
    EXPECT_EQ(textsOf(store->all()), (Texts{"d", "c", "a"}));
    store->saveContext();
  }
  auto store = env.openFile(file);
  EXPECT_EQ(textsOf(store->all()), (Texts{"d", "c", "a"}));
  EXPECT_EQ(env.log.str(), "");
}

TEST_F(HistoryStoreTest, OddDataIsStoredAndReadBackExactlyAndBytesLoadOnlyWhenAsked) {
  const std::string notUtf8("\xff\xfe\xc3\x28 caf\xe9", 10);
  const std::string oddType("odd\0type\n\"quoted\" 'single' \\", 27);
  std::vector<NewContent> many;
  for (int i = 0; i < 200; ++i) many.push_back({"type/" + std::to_string(i), std::to_string(i)});
  const std::string big(50u * 1024 * 1024, 'z');
  {
    auto store = env.openFile(file);
    store->insertItem({{"text/plain", notUtf8}});
    store->insertItem({{"text/plain", std::string()}, {"image/png", std::nullopt}});
    store->insertItem({{std::nullopt, "no type"}});
    store->insertItem(many);
    store->insertItem({{oddType, std::string("a\0b", 3)}});
    store->insertItem({{"image/png", big}});
    store->saveContext();
  }
  auto store = env.openFile(file);
  auto all = store->all();
  ASSERT_EQ(all.size(), 6u);
  const auto& large = *all[0]->contents()[0];
  EXPECT_EQ(large.size(), big.size());
  EXPECT_FALSE(large.isValueLoaded());
  EXPECT_TRUE(large.value() == big);
  EXPECT_EQ(all[1]->contents()[0]->type(), oddType);
  EXPECT_EQ(all[1]->contents()[0]->value(), std::string("a\0b", 3));
  ASSERT_EQ(all[2]->contents().size(), 200u);
  for (int i = 0; i < 200; ++i) EXPECT_EQ(*all[2]->contents()[i]->type() + *all[2]->contents()[i]->value(), "type/" + std::to_string(i) + std::to_string(i));
  EXPECT_FALSE(all[3]->contents()[0]->type().has_value());
  EXPECT_EQ(all[4]->contents()[0]->value(), std::string());
  EXPECT_FALSE(all[4]->contents()[1]->value().has_value());
  EXPECT_EQ(all[5]->contents()[0]->value(), notUtf8);
  EXPECT_EQ(env.log.str(), "");
}

TEST_F(HistoryStoreTest, CopiesWaitingForRoomAreFewAndTheNewestKept) {
  constexpr std::size_t kMiB = 1024 * 1024;
  struct Row { std::size_t copies; std::size_t bytes; std::size_t waiting; const char* why; };
  for (const Row& row : {Row{12, 100 * 1024, 8, "eight copies at most"}, Row{2, 33 * kMiB, 1, "64 MB at most"}}) {
    SCOPED_TRACE(row.why);
    env.errors.str("");
    auto store = env.openInMemory();
    store->limitSpace(10, 1 << 30);  // pages of 4 kB: none of the copies fits
    for (std::size_t i = 0; i < row.copies; ++i) {
      env.clock.advance(1);
      store->insertItem(text(std::string(row.bytes, static_cast<char>('a' + i))));
      store->saveContext();
    }
    ASSERT_EQ(store->count(), row.waiting);
    EXPECT_EQ(store->all().back()->contents()[0]->value()->front(), 'a' + (row.copies - row.waiting));
    const std::string errors = env.errors.str();
    EXPECT_EQ(static_cast<std::size_t>(std::count(errors.begin(), errors.end(), '\n')), row.copies - row.waiting)
        << errors;
  }
}

// Bytes that were never stored stay held: there is nothing to read them back from.
TEST_F(HistoryStoreTest, UnsavedEntriesKeepTheirBytesWhenDeletedAndEntriesOrContentsOutlivingTheirStoreStaySafe) {
  std::shared_ptr<HistoryItemContent> orphan;
  HistoryItemPtr deleted, survivor;
  {
    auto store = env.openInMemory();
    orphan = store->insertItem(text("x"))->contents()[0];
    store->saveContext();
    deleted = store->insertItem(text("unsaved"));
    store->deleteItem(deleted);
    EXPECT_FALSE(store->hasChanges()) << "an entry never saved leaves nothing to save";
    survivor = store->insertItem(text("y"));
    EXPECT_EQ(textsOf(store->all()), (Texts{"y", "x"}));
    for (const auto& entry : {deleted, survivor}) entry->contents()[0]->releaseValue();
    EXPECT_EQ(deleted->contents()[0]->value(), "unsaved");
  }
  EXPECT_EQ(orphan->item(), nullptr);
  EXPECT_EQ(orphan->value(), "x");
  survivor->setPin("a");  // no store to tell
  EXPECT_EQ(survivor->contents()[0]->value(), "y");
}

TEST_F(HistoryStoreTest, UnpinnedCountAndObserversFollowInsertsPinsFieldsAndDeletions) {
  auto store = env.openInMemory();
  std::vector<std::pair<std::string, HistoryChange>> heard;
  const auto observer = store->addChangeObserver([&heard](HistoryItem& item, HistoryChange change) {
    heard.emplace_back(item.contents()[0]->value().value_or(""), change);
  });
  auto oldest = store->insertItem(text("a"));
  store->saveContext();
  env.clock.advance(1);
  auto newest = store->insertItem(text("b"));
  oldest->setPin("a");
  oldest->setPin("a");  // no change, no notice
  EXPECT_EQ(store->unpinnedCount(), 1u);
  EXPECT_EQ(store->oldestUnpinned(), newest);
  newest->setNumberOfCopies(2);
  newest->setLastCopiedAt(env.clock.now() + 1);
  store->deleteItem(oldest);  // saved: its deletion waits for the next save
  store->deleteItem(oldest);
  oldest->setPin(std::nullopt);  // a deleted entry no longer counts either way
  newest->setPin("n");
  EXPECT_EQ(store->unpinnedCount(), 0u);
  EXPECT_EQ(store->oldestUnpinned(), nullptr);
  store->deleteItem(newest);  // never saved: gone at once
  using enum HistoryChange;
  EXPECT_EQ(heard, (std::vector<std::pair<std::string, HistoryChange>>{
                       {"a", inserted}, {"b", inserted}, {"a", changed}, {"b", changed}, {"b", changed},
                       {"a", removed}, {"b", changed}, {"b", removed}}));
  store->removeChangeObserver(observer);
  store->insertItem(text("c"));
  EXPECT_EQ(heard.size(), 8u);
}

// Removed entries must leave the files on disk: neither the database's free space nor the
// write-ahead log may keep their bytes once the removal is done.
class StoreErasureTest : public testing::StoreTest {
 protected:
  testing::TempDir dir;
  std::filesystem::path file = dir / "MarbrelStorage.sqlite";
  std::unique_ptr<HistoryStore> store = env.openFile(file);
  History history{*store, env.configuration};

  // A value of about 300 kB (held in overflow pages and dropped from memory once saved) that
  // repeats `marker` throughout.
  static std::string largeValue(const std::string& marker) {
    std::string value;
    while (value.size() < 300 * 1024) value += marker + std::to_string(value.size());
    return value;
  }

  HistoryItemPtr copy(std::vector<NewContent> contents) {
    env.clock.advance(1);
    auto item = store->insertItem(std::move(contents));
    history.add(item);
    return item;
  }

  // Whether the database file or its log holds `bytes`.
  bool onDisk(const std::string& bytes) const {
    for (const auto& path : {file, std::filesystem::path(file.string() + "-wal")}) {
      std::ifstream in(path, std::ios::binary);
      const std::string contents{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
      if (contents.find(bytes) != std::string::npos) return true;
    }
    return false;
  }
};

TEST_F(StoreErasureTest, RemovedClearedAndTrimmedEntriesLeaveNoBytesInTheDatabaseOrItsLog) {
  env.configuration.setHistorySize(4);
  copy({{"text/plain", "trimmed-secret-5K9W"}, {"image/png", largeValue("trimmed-image-5K9W")}});
  copy({{"text/plain", "small-secret-7Q2X"}, {"text/html", "<b>html-secret-7Q2X</b>"}});
  copy({{"image/png", largeValue("large-secret-7Q2X")}});
  auto single = copy(text("single-secret-7Q2X"));
  for (const char* bytes : {"trimmed-secret-5K9W", "trimmed-image-5K9W", "small-secret-7Q2X", "html-secret-7Q2X",
                            "large-secret-7Q2X", "single-secret-7Q2X"}) {
    ASSERT_TRUE(onDisk(bytes)) << bytes;  // otherwise the checks below prove nothing
  }
  auto kept = copy(text("kept-entry-7Q2X"));  // the first entry is trimmed to make room
  kept->setPin("k");
  store->checkpoint();
  EXPECT_FALSE(onDisk("trimmed-secret-5K9W"));
  EXPECT_FALSE(onDisk("trimmed-image-5K9W"));

  history.remove(single);
  EXPECT_FALSE(onDisk("single-secret-7Q2X"));
  EXPECT_TRUE(onDisk("small-secret-7Q2X"));

  history.clearUnpinned();
  EXPECT_EQ(store->all(), std::vector<HistoryItemPtr>{kept});
  for (const char* bytes : {"small-secret-7Q2X", "html-secret-7Q2X", "large-secret-7Q2X"}) {
    EXPECT_FALSE(onDisk(bytes)) << bytes;
  }
  EXPECT_TRUE(onDisk("kept-entry-7Q2X"));

  // Later writes reuse the emptied log and the file stays sound.
  copy(text("after-clear-7Q2X"));
  store.reset();
  auto reopened = env.openFile(file);
  EXPECT_EQ(textsOf(reopened->all()), (Texts{"after-clear-7Q2X", "kept-entry-7Q2X"}));
  EXPECT_EQ(reopened->integrityCheck(), "ok");
  History(*reopened, env.configuration).clearAll();
  EXPECT_FALSE(onDisk("kept-entry-7Q2X"));
  EXPECT_EQ(env.log.str(), "");
}

}  // namespace
}  // namespace marbrel
