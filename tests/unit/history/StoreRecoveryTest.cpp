#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>

#include <fstream>

#include "core/history/HistoryStore.h"
#include "core/history/SqliteDatabase.h"
#include "core/history/StoreSchema.h"
#include "support/TempDir.h"
#include "StoreTestSupport.h"

namespace marbrel {
namespace {

using testing::StoreEnvironment;
using testing::TempDir;
using testing::text;
using testing::textsOf;
using Texts = std::vector<std::string>;

std::string readFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeFile(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

unsigned modeOf(const std::filesystem::path& path) {
  struct stat info {};
  ::stat(path.c_str(), &info);
  return info.st_mode & 0777;
}

std::vector<std::filesystem::path> asideFiles(const std::filesystem::path& folder) {
  std::vector<std::filesystem::path> found;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    if (entry.path().filename().string().find(".corrupt-") != std::string::npos) found.push_back(entry.path());
  }
  std::sort(found.begin(), found.end());
  return found;
}

// Another process's write lock on the database, held until destroyed.
class ForeignWriteLock {
 public:
  explicit ForeignWriteLock(const std::filesystem::path& file) {
    sqlite3_open(file.c_str(), &db_);
    sqlite3_exec(db_, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
  }
  ~ForeignWriteLock() {
    sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(db_);
  }

 private:
  sqlite3* db_ = nullptr;
};

class StoreRecoveryTest : public ::testing::Test {
 protected:
  StoreEnvironment env;
  TempDir dir;
  std::filesystem::path folder = dir / "share" / "marbrel";
  std::filesystem::path file = folder / "MarbrelStorage.sqlite";

  void storeEntries(int count) {
    auto store = env.openFile(file);
    for (int i = 0; i < count; ++i) store->insertItem(text("entry " + std::to_string(i) + std::string(500, 'x')));
    store->saveContext();
  }
};

TEST_F(StoreRecoveryTest, FilesAndNewFoldersAreTheUsersAlone) {
  std::filesystem::create_directories(dir / "share");
  std::filesystem::permissions(dir / "share", std::filesystem::perms(0755));
  auto store = env.openFile(file);
  store->insertItem(text("secret"));
  store->saveContext();
  EXPECT_EQ(modeOf(folder), 0700u);
  EXPECT_EQ(modeOf(dir / "share"), 0755u);  // an existing parent is not the store's to change
  EXPECT_EQ(modeOf(file), 0600u);
  EXPECT_EQ(modeOf(file.string() + "-wal"), 0600u);
  EXPECT_EQ(modeOf(file.string() + "-shm"), 0600u);
}

TEST_F(StoreRecoveryTest, ExistingStoreWithLooseModeIsMadePrivate) {
  storeEntries(1);
  std::filesystem::permissions(file, std::filesystem::perms(0644));
  auto store = env.openFile(file);
  EXPECT_EQ(modeOf(file), 0600u);
  EXPECT_EQ(store->count(), 1u);
}

TEST_F(StoreRecoveryTest, FileThatIsNotADatabaseIsMovedAsideReportedAndReplaced) {
  std::filesystem::create_directories(folder);
  const std::string junk = "this is not a database, just some text the user had here\n";
  writeFile(file, junk);
  writeFile(file.string() + "-wal", "stale log");
  auto store = env.openFile(file);
  EXPECT_TRUE(store->isLoaded());
  EXPECT_TRUE(store->all().empty());
  const std::string log = env.log.str();
  EXPECT_EQ(log.rfind("Unresolved error ", 0), 0u) << log;
  EXPECT_NE(log.find(", {code = 26"), std::string::npos) << log;
  EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 1);
  const auto aside = asideFiles(folder);
  ASSERT_EQ(aside.size(), 2u);
  EXPECT_EQ(readFile(aside[0]), junk);
  EXPECT_EQ(aside[0].filename().string(), "MarbrelStorage.sqlite.corrupt-1767225600");
  EXPECT_EQ(readFile(aside[1]), "stale log");
  // The fresh store works and keeps what is saved in it.
  store->insertItem(text("after"));
  store->saveContext();
  store.reset();
  EXPECT_EQ(textsOf(env.openFile(file)->all()), (Texts{"after"}));
}

TEST_F(StoreRecoveryTest, DamagedPagesFailTheCheckAndTheFileIsKeptAside) {
  storeEntries(200);
  std::string bytes = readFile(file);
  ASSERT_GT(bytes.size(), 5u * 4096);
  for (std::size_t i = 2 * 4096; i < 4 * 4096; ++i) bytes[i] = static_cast<char>(i * 7);
  writeFile(file, bytes);
  auto store = env.openFile(file);
  EXPECT_TRUE(store->all().empty());
  EXPECT_EQ(store->integrityCheck(), "ok");
  EXPECT_NE(env.log.str().find("Unresolved error "), std::string::npos);
  const auto aside = asideFiles(folder);
  ASSERT_EQ(aside.size(), 1u);
  EXPECT_EQ(readFile(aside[0]), bytes);
}

TEST_F(StoreRecoveryTest, SecondDamagedStoreInTheSameSecondGetsItsOwnName) {
  std::filesystem::create_directories(folder);
  writeFile(file, "first junk");
  env.openFile(file);
  writeFile(file, "second junk");
  env.openFile(file);
  const auto aside = asideFiles(folder);
  ASSERT_EQ(aside.size(), 2u);
  EXPECT_EQ(readFile(aside[0]), "first junk");
  EXPECT_EQ(readFile(aside[1]), "second junk");
}

TEST_F(StoreRecoveryTest, FolderThatCannotBeMadeIsReportedAndTheSessionStillWorksInMemory) {
  writeFile(dir / "blocker", "a file where a folder should be");
  auto store = env.openFile(dir / "blocker" / "sub" / "MarbrelStorage.sqlite");
  EXPECT_FALSE(store->isLoaded());
  EXPECT_EQ(env.log.str().rfind("Unresolved error ", 0), 0u);
  auto item = store->insertItem(text("x"));
  env.log.str("");
  store->saveContext();
  EXPECT_EQ(env.log.str().rfind("Unresolved error ", 0), 0u);
  EXPECT_TRUE(store->hasChanges());
  EXPECT_EQ(store->all().front(), item);
  EXPECT_EQ(readFile(dir / "blocker"), "a file where a folder should be");
}

TEST_F(StoreRecoveryTest, FailedSaveReportsKeepsChangesAndTheNextSaveCommitsThem) {
  storeEntries(2);
  auto store = env.openFile(file);
  store->setBusyTimeout(0);
  auto doomed = store->all().back();
  auto added = store->insertItem(text("added"));
  store->all().front()->setNumberOfCopies(5);
  {
    ForeignWriteLock lock(file);
    store->deleteItem(doomed);
    store->saveContext();
  }
  EXPECT_EQ(env.log.str().rfind("Unresolved error database is locked, {code = 5", 0), 0u) << env.log.str();
  EXPECT_TRUE(store->hasChanges());
  EXPECT_EQ(added->storeId(), 0);
  EXPECT_EQ(store->count(), 2u);
  store->saveContext();
  EXPECT_FALSE(store->hasChanges());
  store.reset();
  auto reopened = env.openFile(file);
  ASSERT_EQ(reopened->count(), 2u);
  EXPECT_EQ(textsOf(reopened->all())[0], "added");
  EXPECT_EQ(reopened->all()[1]->numberOfCopies(), 1);
}

TEST_F(StoreRecoveryTest, ReadOnlyViewNeverWritesNorMovesFiles) {
  auto missing = HistoryStore::openReadOnly(file, env.log);
  EXPECT_TRUE(missing->all().empty());
  EXPECT_FALSE(std::filesystem::exists(folder));
  EXPECT_EQ(env.log.str(), "");

  storeEntries(3);
  auto running = env.openFile(file);  // the program holds the store open meanwhile
  running->insertItem(text("while viewing"));
  running->saveContext();
  auto view = HistoryStore::openReadOnly(file, env.log);
  EXPECT_TRUE(view->isReadOnly());
  ASSERT_EQ(view->count(), 4u);
  EXPECT_EQ(view->all().front()->contents().front()->value(), "while viewing");
  view->deleteItem(view->all().front());
  view->saveContext();
  EXPECT_NE(env.log.str().find("read-only"), std::string::npos);
  EXPECT_EQ(running->count(), 4u);

  std::filesystem::create_directories(dir / "other");
  writeFile(dir / "other" / "junk.sqlite", "junk");
  env.log.str("");
  auto junk = HistoryStore::openReadOnly(dir / "other" / "junk.sqlite", env.log);
  EXPECT_TRUE(junk->all().empty());
  EXPECT_EQ(env.log.str().rfind("Unresolved error ", 0), 0u);
  EXPECT_EQ(readFile(dir / "other" / "junk.sqlite"), "junk");
  EXPECT_TRUE(asideFiles(dir / "other").empty());
}

TEST_F(StoreRecoveryTest, ReadOnlyViewOfAClosedStoreReadsItAndLeavesNoFilesBehind) {
  folder = dir / "odd ?#% name";
  file = folder / "MarbrelStorage.sqlite";
  storeEntries(2);
  {
    auto view = HistoryStore::openReadOnly(file, env.log);
    EXPECT_EQ(view->count(), 2u) << env.log.str();
    EXPECT_EQ(view->all().front()->contents().front()->value()->substr(0, 7), "entry 1");
  }
  EXPECT_EQ(env.log.str(), "");
  EXPECT_FALSE(std::filesystem::exists(file.string() + "-wal"));
  EXPECT_FALSE(std::filesystem::exists(file.string() + "-shm"));
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
  EXPECT_FALSE(store->isLoaded());
  EXPECT_NE(env.log.str().find("newer version"), std::string::npos);
  store->insertItem(text("x"));
  store->saveContext();
  EXPECT_TRUE(store->hasChanges());
  store.reset();
  EXPECT_EQ(readFile(file), before);
  EXPECT_TRUE(asideFiles(folder).empty());
}

TEST_F(StoreRecoveryTest, EachMigrationUpgradesFromTheVersionBeforeIt) {
  std::filesystem::create_directories(folder);
  for (std::int64_t target = 1; target <= StoreSchema::latestVersion(); ++target) {
    std::unique_ptr<SqliteDatabase> db;
    ASSERT_TRUE(SqliteDatabase::open(file, SqliteDatabase::Mode::readWrite, db).ok());
    ASSERT_TRUE(StoreSchema::migrateTo(*db, target - 1).ok());
    std::int64_t version = -1;
    ASSERT_TRUE(StoreSchema::version(*db, version).ok());
    EXPECT_EQ(version, target - 1);
    ASSERT_TRUE(StoreSchema::migrateTo(*db, target).ok()) << StoreSchema::migrations()[target - 1].name;
    ASSERT_TRUE(StoreSchema::version(*db, version).ok());
    EXPECT_EQ(version, target);
    db.reset();
    std::filesystem::remove(file);
  }
  // A store at the latest version opens, stores and reads back.
  storeEntries(1);
  EXPECT_EQ(env.openFile(file)->count(), 1u);
}

}  // namespace
}  // namespace marbrel
