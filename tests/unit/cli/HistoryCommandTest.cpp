#include <cstdlib>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "cli/CommandLine.h"
#include "core/config/Defaults.h"
#include "core/history/HistoryStore.h"
#include "fakes/FakeMainQueue.h"
#include "support/TempDir.h"

namespace marbrel::cli {
namespace {

// Runs `marbrel history ...` against a store and settings in a fresh folder.
class HistoryCommand : public ::testing::Test {
 protected:
  void SetUp() override {
    ::setenv("XDG_CONFIG_HOME", (dir_ / "config").c_str(), 1);
    ::setenv("XDG_DATA_HOME", (dir_ / "data").c_str(), 1);
  }
  void TearDown() override {
    ::unsetenv("XDG_CONFIG_HOME");
    ::unsetenv("XDG_DATA_HOME");
  }

  std::unique_ptr<HistoryStore> openStore() {
    return HistoryStore::open(HistoryStore::standardFile(), queue_, false, log_);
  }
  // Saves text entries, one minute apart, the last one newest.
  void save(const std::vector<std::string>& texts) {
    auto store = openStore();
    for (const auto& text : texts) {
      queue_.advance(60);
      store->insertItem({{std::string("text/plain"), text}});
    }
    store->saveContext();
  }
  void setting(const std::string& key, Defaults::Value value) {
    Defaults(Defaults::standardFile()).set(key, std::move(value));
  }
  int run(std::vector<std::string> args) {
    out_.str("");
    err_.str("");
    args.insert(args.begin(), "history");
    return runCommandLine(args, out_, err_);
  }
  std::vector<std::string> outLines() const {
    std::vector<std::string> lines;
    std::istringstream in(out_.str());
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }

  marbrel::testing::TempDir dir_;
  FakeMainQueue queue_;
  std::ostringstream log_;
  std::ostringstream out_;
  std::ostringstream err_;
};

using Lines = std::vector<std::string>;

TEST_F(HistoryCommand, ListsEntriesInMenuOrderWithPinAndCopies) {
  save({"first", "  second line one\nline two  ", "third"});
  {
    auto store = openStore();
    const auto entries = store->all();  // newest first
    entries[2]->setPin("k");
    entries[1]->setNumberOfCopies(12);
    store->saveContext();
  }
  EXPECT_EQ(run({"list"}), kExitOk);
  EXPECT_EQ(outLines(), (Lines{"       1  third", "      12  second line one\u21B5line two", "k      1  first"}));
  EXPECT_EQ(err_.str(), "");

  setting("pinTo", "top");
  setting("sortBy", "numberOfCopies");
  EXPECT_EQ(run({"list"}), kExitOk);
  EXPECT_EQ(outLines().front(), "k      1  first");
  EXPECT_EQ(outLines()[1], "      12  second line one\u21B5line two");
}

TEST_F(HistoryCommand, ListAsJsonGivesEveryField) {
  save({"hello"});
  {
    auto store = openStore();
    queue_.advance(3600);
    store->insertItem({{std::string("image/png"), std::string("\x89PNG")}, {std::string("bad\xFFtype"), std::nullopt}});
    store->saveContext();
  }
  EXPECT_EQ(run({"list", "--json"}), kExitOk);
  const auto json = nlohmann::json::parse(out_.str());
  ASSERT_EQ(json.size(), 2u);
  EXPECT_EQ(json[0]["title"], "");
  EXPECT_EQ(json[0]["types"][0], "image/png");
  EXPECT_EQ(json[0]["types"][1], "bad\uFFFDtype");
  EXPECT_EQ(json[1], nlohmann::json::parse(R"({"title": "hello", "numberOfCopies": 1, "pin": null,
      "firstCopiedAt": "2026-01-01T00:01:00Z", "lastCopiedAt": "2026-01-01T00:01:00Z",
      "types": ["text/plain"]})"));
}

TEST_F(HistoryCommand, SearchShowsWhatTheMenuWouldShow) {
  save({"apple pie", "banana", "Apricot", "grape"});
  EXPECT_EQ(run({"search", "AP"}), kExitOk);
  EXPECT_EQ(outLines(), (Lines{"       1  grape", "       1  Apricot", "       1  apple pie"}));
  EXPECT_EQ(run({"search", "--fuzzy", "apricot", "--json"}), kExitOk);
  EXPECT_EQ(nlohmann::json::parse(out_.str())[0]["title"], "Apricot");
  EXPECT_EQ(run({"search", "--", "-x"}), kExitOk);
  EXPECT_EQ(out_.str(), "");

  setting("maxMenuItems", 2);
  EXPECT_EQ(run({"search", "ap"}), kExitOk);
  EXPECT_EQ(outLines().size(), 2u) << "the menu's limit applies to a search";
  EXPECT_EQ(run({"search", ""}), kExitOk);
  EXPECT_EQ(outLines().size(), 2u);
  EXPECT_EQ(run({"list"}), kExitOk);
  EXPECT_EQ(outLines().size(), 4u) << "the list shows the whole history";
}

TEST_F(HistoryCommand, ReadsWithoutChangingTheStore) {
  save({"a", "b", "c"});
  setting("historySize", 1);
  EXPECT_EQ(run({"list"}), kExitOk);
  EXPECT_EQ(outLines(), (Lines{"       1  c"})) << "entries the menu would trim are left out";
  EXPECT_EQ(openStore()->count(), 3u) << "but not deleted";
}

TEST_F(HistoryCommand, NoStoreYetIsAnEmptyHistory) {
  EXPECT_EQ(run({"list"}), kExitOk);
  EXPECT_EQ(out_.str(), "");
  EXPECT_EQ(run({"list", "--json"}), kExitOk);
  EXPECT_EQ(out_.str(), "[]\n");
  EXPECT_FALSE(std::filesystem::exists(HistoryStore::standardFile()));
}

TEST_F(HistoryCommand, AnUnreadableStoreIsReportedAndLeftAlone) {
  const auto file = HistoryStore::standardFile();
  std::filesystem::create_directories(file.parent_path());
  std::ofstream(file) << "this is not a database, but the user's file all the same";
  EXPECT_EQ(run({"list"}), kExitFailure);
  EXPECT_NE(err_.str().find("cannot read"), std::string::npos);
  EXPECT_EQ(out_.str(), "");
  EXPECT_TRUE(std::filesystem::exists(file));
}

TEST_F(HistoryCommand, WrongArgumentsPrintUsageAndExitTwo) {
  for (const auto& args : std::vector<std::vector<std::string>>{
           {}, {"show"}, {"list", "extra"}, {"list", "--fuzzy"}, {"search"}, {"search", "a", "b"},
           {"search", "--regex", "a"}, {"list", "-j"}}) {
    EXPECT_EQ(run(args), kExitUsage);
    EXPECT_NE(err_.str().find("usage: marbrel history"), std::string::npos);
    EXPECT_EQ(out_.str(), "");
  }
  EXPECT_EQ(run({"--help"}), kExitOk);
  EXPECT_NE(out_.str().find("usage: marbrel history"), std::string::npos);
}

}  // namespace
}  // namespace marbrel::cli
