#include <fstream>

#include <nlohmann/json.hpp>

#include "CommandFixture.h"
#include "core/config/Defaults.h"
#include "core/history/HistoryStore.h"
#include "fakes/FakeMainQueue.h"

namespace marbrel::cli {
namespace {

class HistoryCommand : public CommandFixture {
 protected:
  HistoryCommand() : CommandFixture("history") {}

  std::unique_ptr<HistoryStore> openStore() {
    return HistoryStore::open(HistoryStore::standardFile(), queue_, false, log_);
  }
  // Saves text entries one minute apart, the last one newest; returns them newest first.
  std::vector<HistoryItemPtr> save(HistoryStore& store, const Lines& texts) {
    for (const auto& text : texts) {
      queue_.advance(60);
      store.insertItem({{std::string("text/plain"), text}});
    }
    store.saveContext();
    return store.all();
  }
  void setting(const std::string& key, Defaults::Value value) {
    Defaults(Defaults::standardFile()).set(key, std::move(value));
  }

  FakeMainQueue queue_;
  std::ostringstream log_;
};

TEST_F(HistoryCommand, ListsEntriesInMenuOrderWithPinCopiesAndOneLineTitles) {
  const auto store = openStore();
  const auto entries = save(*store, {"first", "  second line\nline two  ", "third"});
  entries[2]->setPin("k");
  entries[1]->setNumberOfCopies(12);
  store->saveContext();
  EXPECT_EQ(run({"list"}), kExitOk);
  EXPECT_EQ(outLines(), (Lines{"       1  third", "      12  second line line two", "k      1  first"}));
  setting("pinTo", "top");
  setting("sortBy", "numberOfCopies");
  EXPECT_EQ(run({"list"}), kExitOk);
  EXPECT_EQ(outLines(), (Lines{"k      1  first", "      12  second line line two", "       1  third"}));
}

TEST_F(HistoryCommand, JsonGivesEveryFieldAndSurvivesTypesThatAreNotText) {
  const auto store = openStore();
  save(*store, {"hello"});
  queue_.advance(3600);
  store->insertItem({{std::string("image/png"), std::string("\x89PNG")}, {std::string("bad\xFFtype"), std::nullopt}});
  store->saveContext();
  EXPECT_EQ(run({"list", "--json"}), kExitOk);
  const auto json = nlohmann::json::parse(out_.str());
  ASSERT_EQ(json.size(), 2u);
  EXPECT_EQ(json[0]["types"], nlohmann::json::parse(R"(["image/png", "bad\uFFFDtype"])"));
  EXPECT_EQ(json[1], nlohmann::json::parse(R"({"title": "hello", "numberOfCopies": 1, "pin": null,
      "firstCopiedAt": "2026-01-01T00:01:00Z", "lastCopiedAt": "2026-01-01T00:01:00Z",
      "types": ["text/plain"]})"));
  EXPECT_EQ(run({"list"}), kExitOk);
  EXPECT_EQ(outLines().front(), "       1  [image]");
}

TEST_F(HistoryCommand, SearchShowsWhatTheMenuWouldShowAndReadsWithoutChanging) {
  save(*openStore(), {"apple pie", "banana", "Apricot", "grape"});
  EXPECT_EQ(run({"search", "AP"}), kExitOk);
  EXPECT_EQ(outLines(), (Lines{"       1  grape", "       1  Apricot", "       1  apple pie"}));
  EXPECT_EQ(run({"search", "--fuzzy", "apricot", "--json"}), kExitOk);
  EXPECT_EQ(nlohmann::json::parse(out_.str())[0]["title"], "Apricot");
  EXPECT_EQ(run({"search", "--", "-x"}), kExitOk);
  EXPECT_EQ(out_.str(), "");

  setting("maxMenuItems", 2);
  setting("historySize", 3);
  EXPECT_EQ(run({"search", ""}), kExitOk);
  EXPECT_EQ(outLines().size(), 2u) << "the menu's limit applies to a search";
  EXPECT_EQ(run({"list"}), kExitOk);
  EXPECT_EQ(outLines().size(), 3u) << "the entries the menu would trim are left out";
  EXPECT_EQ(openStore()->count(), 4u) << "but not deleted";
}

TEST_F(HistoryCommand, AMissingStoreIsEmptyAndUnreadableFilesAreReportedAndKept) {
  std::filesystem::create_directories(Defaults::standardFile().parent_path());
  std::ofstream(Defaults::standardFile()) << "{ broken";
  EXPECT_EQ(run({"list", "--json"}), kExitOk) << "settings that cannot be read fall back to defaults";
  EXPECT_EQ(out_.str(), "[]\n");
  EXPECT_NE(err_.str().find("not a JSON object"), std::string::npos);
  const auto file = HistoryStore::standardFile();
  EXPECT_FALSE(std::filesystem::exists(file));
  std::filesystem::create_directories(file.parent_path());
  std::ofstream(file) << "not a database, but the user's file all the same";
  EXPECT_EQ(run({"list"}), kExitFailure);
  EXPECT_NE(err_.str().find("cannot read"), std::string::npos);
  EXPECT_EQ(out_.str(), "");
  EXPECT_TRUE(std::filesystem::exists(file));
}

}  // namespace
}  // namespace marbrel::cli
