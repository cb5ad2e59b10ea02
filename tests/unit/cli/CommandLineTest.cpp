#include <fstream>
#include <regex>

#include <nlohmann/json.hpp>

#include "CommandFixture.h"
#include "cli/Settings.h"
#include "core/config/Defaults.h"
#include "core/history/HistoryStore.h"
#include "fakes/FakeMainQueue.h"
#include "support/Files.h"

namespace marbrel::cli {
namespace {

class CommandLine : public CommandFixture {
 protected:
  CommandLine() : CommandFixture("") {}
};

// Which arguments start the desktop program, and how such a start meets a running one: only a
// bare start hands over; "ui-testing" stands alone; "-display" names the display it runs on.
TEST(CommandLineArguments, OnlyUiTestingAndTheToolkitsOwnOptionsStartTheDesktopProgramAndOnlyABareStartHandsOver) {
  const struct {
    Lines args;
    bool desktop;
    bool handsOver;
    bool standsAlone;
    std::string display;
    const char* why;
  } rows[] = {
      {{}, true, true, false, "", "no arguments"},
      {{"ui-testing"}, true, false, true, "", "the test mode"},
      {{"-session", "1a2b"}, true, false, false, "", "a session manager restoring the program"},
      {{"-display", ":1"}, true, false, false, ":1", "another display"},
      {{"--display=:2.0", "-reverse"}, true, false, false, ":2.0", "the display after ="},
      {{"defaults", "read"}, false, false, false, "", "a sub-command"},
      {{"--bogus"}, false, false, false, "", "an unknown option"},
      {{"ui-testing", "-x"}, false, false, false, "", "an unknown option after a known argument"},
      {{"-session"}, false, false, false, "", "an option without its value"},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(startsDesktopProgram(row.args), row.desktop) << row.why;
    if (!row.desktop) continue;
    const DesktopStart start = desktopStart(row.args);
    EXPECT_EQ(start.handsOver, row.handsOver) << row.why;
    EXPECT_EQ(start.standsAlone, row.standsAlone) << row.why;
    EXPECT_EQ(start.display, row.display) << row.why;
  }
}

TEST_F(CommandLine, HelpAndVersionGoToStandardOutput) {
  for (const auto& [args, head] : std::vector<std::pair<Lines, std::string>>{
           {{"--help"}, "usage: marbrel [ui-testing]"}, {{"history", "--help"}, "usage: marbrel history"}}) {
    EXPECT_EQ(run(args), kExitOk) << head;
    EXPECT_TRUE(out_.str().starts_with(head)) << out_.str();
    EXPECT_EQ(err_.str(), "") << head;
  }
  for (const auto& version : {"version", "--version"}) {
    EXPECT_EQ(run({version}), kExitOk) << version;
    EXPECT_TRUE(std::regex_match(out_.str(), std::regex("marbrel [0-9]+\\.[0-9]+\\.[0-9]+\n")));
  }
}

// Every command: a wrong argument prints the usage on standard error, exits 2 and changes nothing.
TEST_F(CommandLine, WrongArgumentsPrintUsageOnStandardErrorExitTwoAndChangeNothing) {
  setEnv("XKB_DEFAULT_LAYOUT", std::nullopt);
  setEnv("XKB_DEFAULT_VARIANT", std::nullopt);
  ASSERT_EQ(run({"defaults", "write", "historySize", "-int", "7"}), kExitOk);
  const std::string settings = testing::readFile(dir_ / "config" / "marbrel" / "defaults.json");
  // Without a message: the command's usage.
  const std::pair<Lines, const char*> rows[] = {
      {{"--bogus"}, "unknown option '--bogus'"}, {{"frobnicate", "now"}, "unknown command 'frobnicate'"},
      {{"ui-testing", "-platform"}, "'-platform' needs a value"}, {{"--version", "--help"}, "takes no argument '--help'"},
      {{}, "\n       marbrel version | --version\n"}, {{"defaults"}, nullptr}, {{"defaults", "frobnicate"}, nullptr},
      {{"defaults", "write", "historySize", "-int", "seven"}, nullptr},
      {{"defaults", "write", "historySize", "-int", "99999999999999999999"}, nullptr},
      {{"defaults", "write", "hideFooter", "-bool", "maybe"}, nullptr},
      {{"defaults", "write", "sortBy", "-date", "now"}, nullptr},
      {{"defaults", "write", "pasteKeys", "-dict", "st", "Shift+Insert", "kitty"}, "'kitty' has no value"},
      {{"defaults", "write", "pasteKeys", "-dict", "st", "Shift+Insert", "kitty", "Ctrl+Shift+Vee"},
       "'Ctrl+Shift+Vee' for 'kitty' is not a key combination"},
      {{"defaults", "write", "pasteKeys", "-string", "Ctrl+Shift+V"}, "pasteKeys must be an object"},
      {{"history"}, nullptr}, {{"history", "list", "extra"}, nullptr}, {{"history", "search"}, nullptr},
      {{"keymap", "--layout", "xx"}, "unknown keyboard layout 'xx'"},
      {{"keymap", "--layout", "us(nosuchvariant)"}, "us(nosuchvariant)"}, {{"keymap", "--layout"}, nullptr},
      {{"keymap", "--layout", "../us"}, "is not a layout name"},
      {{"keymap", "--layout", "us", "--layout", "de"}, nullptr}, {{"keymap", "de"}, nullptr},
  };
  for (const auto& [args, message] : rows) {
    SCOPED_TRACE(::testing::PrintToString(args));
    EXPECT_EQ(run(args), kExitUsage);
    EXPECT_EQ(out_.str(), "");
    EXPECT_NE(err_.str().find(message ? message : "usage: marbrel " + args.front()), std::string::npos) << err_.str();
  }
  setEnv("XKB_DEFAULT_LAYOUT", "nowhere");
  EXPECT_EQ(run({"keymap"}), kExitUsage);
  EXPECT_NE(err_.str().find("nowhere"), std::string::npos) << err_.str();
  EXPECT_EQ(testing::readFile(dir_ / "config" / "marbrel" / "defaults.json"), settings);
  EXPECT_FALSE(std::filesystem::exists(dir_ / "data")) << "no store is made";
}

TEST_F(CommandLine, DefaultsWritesEachTypeReadsItBackAndDeletesIt) {
  for (const Lines& args : {Lines{"hideFooter", "-bool", "true"}, Lines{"historySize", "-int", "500"},
                            Lines{"imageMaxHeight", "-float", "40.5"}, Lines{"sortBy", "-string", "numberOfCopies"},
                            Lines{"ignoredPasteboardTypes", "-array", "text/html", "image/bmp"},
                            Lines{"pasteKeys", "-dict", "st-256color", "Shift+Insert", "Kitty", "ctrl+alt+v"}}) {
    Lines write{"defaults", "write"};
    write.insert(write.end(), args.begin(), args.end());
    EXPECT_EQ(run(write), kExitOk) << args.front();
  }
  EXPECT_EQ(Defaults(Defaults::standardFile()).persistentDomain(), Defaults::Value::parse(R"({"hideFooter": true, "historySize": 500,
      "imageMaxHeight": 40.5, "sortBy": "numberOfCopies",
      "ignoredPasteboardTypes": ["text/html", "image/bmp"],
      "pasteKeys": {"st-256color": "Shift+Insert", "Kitty": "ctrl+alt+v"}})"));

  EXPECT_EQ(run({"defaults", "read", "sortBy"}), kExitOk);
  EXPECT_EQ(out_.str(), "numberOfCopies\n");
  EXPECT_EQ(run({"defaults", "read", "historySize"}), kExitOk);
  EXPECT_EQ(out_.str(), "500\n");
  EXPECT_EQ(run({"defaults", "read"}), kExitOk);
  EXPECT_EQ(Defaults::Value::parse(out_.str()), Defaults(Defaults::standardFile()).persistentDomain());

  EXPECT_EQ(run({"defaults", "delete", "historySize"}), kExitOk);
  EXPECT_EQ(run({"defaults", "read", "historySize"}), kExitFailure);
  EXPECT_EQ(run({"defaults", "delete", "historySize"}), kExitFailure);
}

TEST_F(CommandLine, DefaultsNeitherReadsASettingsFileThatCannotBeReadAsEmptyNorReplacesIt) {
  // A folder where the file should be: it opens, but reading it fails.
  const std::filesystem::path file = Defaults::standardFile();
  std::filesystem::create_directories(file);
  EXPECT_EQ(run({"defaults", "write", "hideFooter", "-bool", "true"}), kExitFailure);
  EXPECT_NE(err_.str().find(file.string()), std::string::npos) << err_.str();
  EXPECT_EQ(run({"defaults", "read"}), kExitFailure) << "an unreadable file is not an empty one";
  EXPECT_NE(err_.str().find(file.string()), std::string::npos) << err_.str();
  EXPECT_TRUE(std::filesystem::is_directory(file));
}

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
