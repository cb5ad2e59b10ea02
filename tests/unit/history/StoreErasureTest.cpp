#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <sstream>

#include "StoreTestSupport.h"
#include "core/history/History.h"
#include "support/TempDir.h"

namespace marbrel {
namespace {

using testing::text;
using testing::textsOf;
using testing::Texts;

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

TEST_F(StoreErasureTest, RemovedAndClearedEntriesLeaveNoBytesInTheDatabaseOrItsLog) {
  copy({{"text/plain", "small-secret-7Q2X"}, {"text/html", "<b>html-secret-7Q2X</b>"}});
  copy({{"image/png", largeValue("large-secret-7Q2X")}});
  auto single = copy(text("single-secret-7Q2X"));
  auto kept = copy(text("kept-entry-7Q2X"));
  kept->setPin("k");
  store->saveContext();
  for (const char* bytes : {"small-secret-7Q2X", "html-secret-7Q2X", "large-secret-7Q2X", "single-secret-7Q2X"}) {
    ASSERT_TRUE(onDisk(bytes)) << bytes;  // otherwise the checks below prove nothing
  }

  history.remove(single);
  EXPECT_FALSE(onDisk("single-secret-7Q2X"));
  EXPECT_TRUE(onDisk("small-secret-7Q2X"));

  history.clearUnpinned();
  EXPECT_EQ(store->all(), std::vector<HistoryItemPtr>{kept});
  for (const char* bytes : {"small-secret-7Q2X", "html-secret-7Q2X", "large-secret-7Q2X"}) {
    EXPECT_FALSE(onDisk(bytes)) << bytes;
  }
  EXPECT_TRUE(onDisk("kept-entry-7Q2X"));

  history.clearAll();
  EXPECT_FALSE(onDisk("kept-entry-7Q2X"));
  store.reset();
  EXPECT_TRUE(env.openFile(file)->all().empty());
  EXPECT_EQ(env.log.str(), "");
}

TEST_F(StoreErasureTest, TrimmedEntryLeavesTheFilesAtTheNextCheckpointAndTheRestSurvives) {
  env.configuration.setHistorySize(2);
  copy({{"text/plain", "trimmed-secret-5K9W"}, {"image/png", largeValue("trimmed-image-5K9W")}});
  copy(text("second-entry-5K9W"));
  copy(text("third-entry-5K9W"));  // the first entry is trimmed to make room
  ASSERT_EQ(textsOf(store->all()), (Texts{"third-entry-5K9W", "second-entry-5K9W"}));
  store->checkpoint();
  EXPECT_FALSE(onDisk("trimmed-secret-5K9W"));
  EXPECT_FALSE(onDisk("trimmed-image-5K9W"));
  EXPECT_TRUE(onDisk("second-entry-5K9W"));
  EXPECT_TRUE(onDisk("third-entry-5K9W"));

  // Later writes reuse the emptied log and the file stays sound.
  copy(text("fourth-entry-5K9W"));
  store.reset();
  auto reopened = env.openFile(file);
  EXPECT_EQ(textsOf(reopened->all()), (Texts{"fourth-entry-5K9W", "third-entry-5K9W"}));
  EXPECT_EQ(reopened->integrityCheck(), "ok");
}

}  // namespace
}  // namespace marbrel
