#include <gtest/gtest.h>
#include <sqlite3.h>

#include <utility>

#include <unistd.h>

#include "StoreTestSupport.h"
#include "core/history/SqliteDatabase.h"
#include "core/history/StoreLock.h"
#include "core/history/StoreSchema.h"
#include "support/Files.h"
#include "support/TempDir.h"

namespace marbrel {
namespace {

using testing::text;
using testing::textsOf;
using testing::Texts;
using testing::modeOf;
using testing::readFile;
using testing::writeFile;
using Path = std::filesystem::path;

// The contents of the files moved aside in `folder`, in name order.
Texts asideContents(const Path& folder) {
  std::vector<Path> found;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    if (entry.path().filename().string().find(".corrupt-") != std::string::npos) found.push_back(entry.path());
  }
  std::sort(found.begin(), found.end());
  Texts contents;
  for (const auto& path : found) contents.push_back(readFile(path));
  return contents;
}

class StoreRecoveryTest : public testing::StoreTest {
 protected:
  testing::TempDir dir;
  Path folder = dir / "share" / "marbrel";
  Path file = folder / "MarbrelStorage.sqlite";

  void storeEntries(int count) {
    auto store = env.openFile(file);
    for (int i = 0; i < count; ++i) store->insertItem(text("entry " + std::to_string(i) + std::string(500, 'x')));
    store->saveContext();
  }
  bool reported() const { return env.log.str().rfind("Unresolved error ", 0) == 0; }
};

TEST_F(StoreRecoveryTest, FilesAndTheFoldersMadeForThemAreTheUsersAlone) {
  std::filesystem::create_directories(dir / "share");
  storeEntries(1);
  std::filesystem::permissions(file, std::filesystem::perms(0644));
  auto store = env.openFile(file);
  EXPECT_EQ(modeOf(folder), 0700u);
  EXPECT_EQ(modeOf(dir / "share"), 0755u);  // an existing parent is not the store's to change
  for (const char* suffix : {"", "-wal", "-shm"}) EXPECT_EQ(modeOf(file.string() + suffix), 0600u) << suffix;
}

// One store has one writer: the lock beside it names its holder to whoever comes next, and passes
// on when the holder ends. Another store's lock is its own.
TEST_F(StoreRecoveryTest, StoreHasOneHolderWhoIsNamedToTheNextAndTheLockPassesOnWhenItEnds) {
  {
    const StoreLock first = StoreLock::take(file, ":1");
    ASSERT_EQ(first.state(), StoreLock::State::held) << first.problem();
    EXPECT_EQ(modeOf(file.string() + ".lock"), 0600u);
    const StoreLock second = StoreLock::take(file, ":2");
    EXPECT_EQ(second.state(), StoreLock::State::heldElsewhere);
    EXPECT_EQ(second.holder().pid, long(::getpid()));
    EXPECT_EQ(second.holder().display, ":1");
    EXPECT_EQ(StoreLock::take(dir / "other.sqlite", ":2").state(), StoreLock::State::held);
  }
  std::filesystem::permissions(file.string() + ".lock", std::filesystem::perms(0644));
  EXPECT_EQ(StoreLock::take(file, ":2").state(), StoreLock::State::held);
  EXPECT_EQ(modeOf(file.string() + ".lock"), 0600u) << "a lock file others could read is made private";
  writeFile(dir / "not-a-folder", "");
  const StoreLock nowhere = StoreLock::take(dir / "not-a-folder" / "MarbrelStorage.sqlite", ":1");
  EXPECT_EQ(nowhere.state(), StoreLock::State::unavailable);
  EXPECT_NE(nowhere.problem().find("not-a-folder"), std::string::npos) << nowhere.problem();
}

TEST_F(StoreRecoveryTest, FileThatIsNotADatabaseIsMovedAsideWithItsLogReportedAndReplaced) {
  std::filesystem::create_directories(folder);
  writeFile(file, "not a database, just text");
  writeFile(file.string() + "-wal", "stale log");
  auto store = env.openFile(file);
  EXPECT_TRUE(reported());
  EXPECT_NE(env.log.str().find(", {code = 26"), std::string::npos);
  EXPECT_TRUE(std::filesystem::exists(file.string() + ".corrupt-1767225600"));
  EXPECT_EQ(asideContents(folder), (Texts{"not a database, just text", "stale log"}));
  store->insertItem(text("after"));
  store->saveContext();
  store.reset();
  EXPECT_EQ(textsOf(env.openFile(file)->all()), (Texts{"after"}));
  // A second damaged store in the same second gets a name of its own.
  writeFile(file, "more junk");
  env.openFile(file);
  EXPECT_EQ(asideContents(folder).size(), 3u);
}

TEST_F(StoreRecoveryTest, DamagedPagesFailTheCheckAndTheFileIsKeptAside) {
  storeEntries(200);
  std::string bytes = readFile(file);
  for (std::size_t i = 2 * 4096; i < 4 * 4096; ++i) bytes[i] = static_cast<char>(i * 7);
  writeFile(file, bytes);
  auto store = env.openFile(file);
  EXPECT_TRUE(reported());
  EXPECT_TRUE(store->all().empty());
  EXPECT_EQ(store->integrityCheck(), "ok");
  EXPECT_EQ(asideContents(folder), (Texts{bytes}));
}

TEST_F(StoreRecoveryTest, StoreThatCannotBeOpenedIsReportedAndTheSessionGoesOnInMemory) {
  writeFile(dir / "blocker", "a file where a folder should be");
  auto store = env.openFile(dir / "blocker" / "sub" / "MarbrelStorage.sqlite");
  EXPECT_TRUE(reported());
  auto item = store->insertItem(text("x"));
  env.log.str("");
  store->saveContext();
  EXPECT_TRUE(reported());
  EXPECT_TRUE(store->hasChanges());
  EXPECT_EQ(store->all().front(), item);
}

// A log that lets another connection's write lock go the moment a failure is written to it.
struct ReleasingLog : std::streambuf {
  sqlite3* holder = nullptr;
  std::string text;
  int overflow(int c) override {
    if (holder) sqlite3_close(std::exchange(holder, nullptr));
    text += static_cast<char>(c);
    return c;
  }
};

TEST_F(StoreRecoveryTest, SaveFailingOnAnotherProgramsLockReportsKeepsEveryChangeAndTheNextSaveCommitsThem) {
  storeEntries(2);
  ReleasingLog released;
  std::ostream log(&released);
  auto store = HistoryStore::open(file, env.clock, false, log);
  store->setBusyTimeout(0);
  auto doomed = store->all().back();
  store->insertItem(text("added"));
  store->all()[1]->setNumberOfCopies(5);
  store->deleteItem(doomed);
  sqlite3_open(file.c_str(), &released.holder);  // another process holding the write lock
  sqlite3_exec(released.holder, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
  store->saveContext();
  EXPECT_EQ(released.text.rfind("Unresolved error database is locked, {code = 5", 0), 0u) << released.text;
  EXPECT_TRUE(store->hasChanges()) << "nothing is saved piecemeal behind the reported failure";
  store->saveContext();
  EXPECT_FALSE(store->hasChanges());
  store.reset();
  auto reopened = env.openFile(file);
  EXPECT_EQ(textsOf(reopened->all())[0], "added");
  EXPECT_EQ(reopened->all()[1]->numberOfCopies(), 5);
  EXPECT_EQ(reopened->count(), 2u);
}

TEST_F(StoreRecoveryTest, ReadOnlyViewReadsWhatIsSavedButNeverWritesNorMovesFiles) {
  storeEntries(2);
  EXPECT_EQ(HistoryStore::openReadOnly(file, env.log)->count(), 2u);
  EXPECT_FALSE(std::filesystem::exists(file.string() + "-shm"));  // a closed store is read as it is
  auto running = env.openFile(file);
  running->insertItem(text("while viewing"));
  running->saveContext();
  auto view = HistoryStore::openReadOnly(file, env.log);
  EXPECT_EQ(textsOf(view->all())[0], "while viewing");
  view->deleteItem(view->all().front());
  view->saveContext();
  EXPECT_NE(env.log.str().find("read-only"), std::string::npos);
  EXPECT_EQ(running->count(), 3u);
}

TEST_F(StoreRecoveryTest, StoreFromANewerProgramIsLeftUntouched) {
  storeEntries(1);
  {
    std::unique_ptr<SqliteDatabase> db;
    ASSERT_TRUE(SqliteDatabase::open(file, SqliteDatabase::Mode::readWrite, db).ok());
    ASSERT_TRUE(db->execute("PRAGMA user_version = 99").ok());
  }
  const std::string before = readFile(file);
  auto store = env.openFile(file);
  EXPECT_NE(env.log.str().find("newer version"), std::string::npos);
  store->insertItem(text("x"));
  store->saveContext();
  EXPECT_TRUE(store->hasChanges());
  store.reset();
  EXPECT_EQ(readFile(file), before);
  EXPECT_TRUE(asideContents(folder).empty());
}

TEST_F(StoreRecoveryTest, EachMigrationUpgradesFromTheVersionBeforeIt) {
  std::filesystem::create_directories(folder);
  for (std::int64_t target = 1; target <= StoreSchema::latestVersion(); ++target) {
    std::unique_ptr<SqliteDatabase> db;
    ASSERT_TRUE(SqliteDatabase::open(file, SqliteDatabase::Mode::readWrite, db).ok());
    ASSERT_TRUE(StoreSchema::migrateTo(*db, target - 1).ok());
    ASSERT_TRUE(StoreSchema::migrateTo(*db, target).ok()) << StoreSchema::migrations()[target - 1].name;
    std::int64_t version = -1;
    ASSERT_TRUE(StoreSchema::version(*db, version).ok());
    EXPECT_EQ(version, target);
    db.reset();
    std::filesystem::remove(file);
  }
}

}  // namespace
}  // namespace marbrel
