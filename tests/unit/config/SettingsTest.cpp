#include "core/config/Configuration.h"
#include "core/config/Defaults.h"
#include "core/config/RemoteDesktopGrant.h"
#include "core/platform/ModifierFlags.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <algorithm>
#include <fstream>
#include <set>
#include <vector>

#include <gtest/gtest.h>

#include "support/Files.h"
#include "support/TempDir.h"

namespace marbrel {
namespace {

namespace fs = std::filesystem;
using testing::modeOf;
using testing::readFile;
using testing::TempDir;

TEST(Defaults, StoredValuesWinOverRegisteredOnesAndSurviveARestartWhichRegistrationsDoNotInPrivateFiles) {
  TempDir dir;
  const fs::path file = dir / "config" / "marbrel" / "defaults.json";
  {
    Defaults defaults(file);
    defaults.registerDefault("historySize", 200);
    EXPECT_TRUE(defaults.setInteger("historySize", 50));
    EXPECT_EQ(modeOf(file), 0600u);
    EXPECT_EQ(modeOf(file.parent_path()), 0700u);
    EXPECT_EQ(modeOf(file.parent_path().parent_path()), 0700u) << "a missing config folder is made private too";
    EXPECT_EQ(defaults.integerForKey("historySize"), 50);
    EXPECT_TRUE(defaults.remove("historySize"));
    EXPECT_EQ(defaults.integerForKey("historySize"), 200);
    defaults.setString("sortBy", "numberOfCopies");
  }
  Defaults again(file);
  EXPECT_EQ(again.stringForKey("sortBy"), "numberOfCopies");
  EXPECT_FALSE(again.objectForKey("historySize"));
}

TEST(Defaults, ReadsConvertStoredValuesTheWayUsersExpect) {
  Defaults defaults({});
  defaults.registerDefault("registered", 40.0);
  const struct { const char* key; Defaults::Value value; bool asBool; std::int64_t asInteger; double asReal; } rows[] = {
      {"real", 7.9, true, 7, 7.9}, {"zero", 0.0, false, 0, 0}, {"yes", "YES", true, 0, 0}, {"one", "1", true, 1, 1},
      {"word", "banana", false, 0, 0}, {"huge", 1e300, true, std::numeric_limits<std::int64_t>::max(), 1e300},
      {"missing", nullptr, false, 0, 0}, {"registered", nullptr, true, 40, 40}, {"text", "2.5", true, 2, 2.5},
  };
  for (const auto& row : rows) {
    if (!row.value.is_null()) defaults.set(row.key, row.value);
    EXPECT_EQ(defaults.boolForKey(row.key), row.asBool) << row.key;
    EXPECT_EQ(defaults.integerForKey(row.key), row.asInteger) << row.key;
    EXPECT_EQ(defaults.doubleForKey(row.key), row.asReal) << row.key;
  }
}

TEST(Defaults, ACorruptFileReadsAsEmptyAndIsMovedAsideBeforeTheNextWrite) {
  TempDir dir;
  const fs::path file = dir / "defaults.json";
  const std::string garbage = "{\"historySize\": 12,, oops";
  std::ofstream(file) << garbage;

  Defaults defaults(file);
  defaults.registerDefault("historySize", 200);
  EXPECT_EQ(defaults.integerForKey("historySize"), 200);
  EXPECT_FALSE(defaults.lastError().empty());

  ASSERT_TRUE(defaults.setBool("hideTitle", false));
  EXPECT_EQ(Defaults(file).persistentDomain(), Defaults::Value({{"hideTitle", false}}));
  // A second corrupt file, moved aside in the same second, keeps the first one's company.
  const std::string otherGarbage = "not json at all";
  std::ofstream(file) << otherGarbage;
  ASSERT_TRUE(defaults.setBool("hideTitle", true));
  std::multiset<std::string> aside;
  for (const auto& entry : fs::directory_iterator(dir.path())) {
    if (entry.path().filename().string().rfind("defaults.json.corrupt-", 0) == 0) aside.insert(readFile(entry));
  }
  EXPECT_EQ(aside, (std::multiset<std::string>{garbage, otherGarbage}));

  std::ofstream(file) << "[1, 2, 3]";  // JSON, but not an object
  EXPECT_TRUE(Defaults(file).persistentDomain().empty());
}

// A settings file that cannot be opened, or opens but cannot be read, is left as it is: writes are
// refused and reported, and what was read before stays in memory.
TEST(Defaults, AFileThatCannotBeOpenedOrReadIsLeftAsItIsAndWritesAreRefused) {
  // As root a file of another owner still opens, so the refusal is made here.
  TempDir dir;
  const fs::path file = dir / "defaults.json";
  const std::string stored = R"({"historySize": 50, "sortBy": "numberOfCopies"})";
  std::ofstream(file) << stored;
  bool refuse = true;
  const Defaults::FileOpener opener = [&](const fs::path& path) {
    if (refuse && path == file) {
      errno = EACCES;
      return -1;
    }
    return ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  };
  Defaults defaults(file, opener);
  std::vector<std::string> told;
  defaults.onProblem([&](const std::string& message) { told.push_back(message); });
  EXPECT_TRUE(defaults.isUnreadable());
  EXPECT_NE(defaults.lastError().find(std::strerror(EACCES)), std::string::npos) << defaults.lastError();
  EXPECT_FALSE(defaults.setInteger("historySize", 10));
  EXPECT_FALSE(defaults.remove("sortBy"));
  EXPECT_EQ(readFile(file), stored) << "not a byte changed";
  ASSERT_EQ(told.size(), 2u);
  EXPECT_NE(told[0].find("historySize"), std::string::npos) << told[0];

  // Readable again: the next write keeps what the file held.
  refuse = false;
  ASSERT_TRUE(defaults.setBool("hideTitle", false));
  EXPECT_FALSE(defaults.isUnreadable());
  EXPECT_EQ(Defaults(file).persistentDomain(),
            Defaults::Value::parse(R"({"historySize": 50, "sortBy": "numberOfCopies", "hideTitle": false})"));

  // The file turns into something that opens but cannot be read (here: a folder).
  int changes = 0;
  defaults.observe("historySize", [&](const Defaults::Value&) { ++changes; });
  fs::remove(file);
  fs::create_directory(file);
  defaults.reload();
  EXPECT_EQ(defaults.integerForKey("historySize"), 50) << "what was read stays";
  EXPECT_EQ(changes, 0);
  EXPECT_FALSE(defaults.setInteger("historySize", 10));
  EXPECT_NE(defaults.lastError().find(file.string()), std::string::npos) << defaults.lastError();
  EXPECT_TRUE(fs::is_directory(file)) << "left alone";
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(dir.path())) names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"defaults.json", "defaults.json.lock"})) << "nothing moved aside or written";
}

TEST(Defaults, ObserversHearEveryWriterButOnlyRealChanges) {
  TempDir dir;
  const fs::path file = dir / "defaults.json";
  Defaults program(file);
  std::vector<Defaults::Value> seen;
  program.observe("hideSearch", [&](const Defaults::Value& value) { seen.push_back(value); });

  program.setBool("hideSearch", true);   // this process
  program.setBool("hideSearch", true);   // same value: silent
  Defaults other(file);                  // another writer, e.g. the command line
  other.setBool("hideSearch", false);
  program.reload();
  program.reload();                      // nothing new
  other.remove("hideSearch");
  program.reload();

  ASSERT_EQ(seen.size(), 3u);
  EXPECT_EQ(seen[0], true);
  EXPECT_EQ(seen[1], false);
  EXPECT_TRUE(seen[2].is_null());
}

TEST(Defaults, ConcurrentWritersInOtherProcessesNeverLoseEachOthersKeys) {
  TempDir dir;
  const fs::path file = dir / "defaults.json";
  constexpr int kWriters = 4;
  constexpr int kKeysEach = 25;
  std::vector<pid_t> children;
  for (int w = 0; w < kWriters; ++w) {
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      Defaults defaults(file);
      for (int k = 0; k < kKeysEach; ++k) defaults.setInteger("w" + std::to_string(w) + "k" + std::to_string(k), k);
      ::_exit(0);
    }
    children.push_back(pid);
  }
  for (pid_t pid : children) {
    int status = 0;
    ::waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  Defaults result(file);
  EXPECT_EQ(result.persistentDomain().size(), static_cast<std::size_t>(kWriters * kKeysEach));
}

TEST(RemoteDesktopGrant, TheTokenIsKeptPrivatelyAndAnUnreadableFileHoldsNoAnswer) {
  TempDir dir;
  const fs::path file = dir / "marbrel" / "remote-desktop.json";
  EXPECT_EQ(RemoteDesktopGrant::read(file), RemoteDesktopGrant{});
  ASSERT_TRUE((RemoteDesktopGrant{"token-1", false}).write(file));
  EXPECT_EQ(modeOf(file), 0600u);
  EXPECT_EQ(modeOf(file.parent_path()), 0700u);
  EXPECT_EQ(RemoteDesktopGrant::read(file), (RemoteDesktopGrant{"token-1", false}));
  ASSERT_TRUE((RemoteDesktopGrant{std::nullopt, true}).write(file));
  EXPECT_EQ(RemoteDesktopGrant::read(file), (RemoteDesktopGrant{std::nullopt, true}));
  for (const char* text : {"{", "[]", R"({"restoreToken":5,"refused":"yes"})", R"({"restoreToken":""})"}) {
    std::ofstream(file, std::ios::trunc) << text;
    EXPECT_EQ(RemoteDesktopGrant::read(file), RemoteDesktopGrant{}) << text;
  }
}

class ConfigurationTest : public ::testing::Test {
 protected:
  Defaults defaults{{}};
  ProcessArguments arguments;
  Configuration configuration{defaults, arguments};
};

// Ignored types reject the whole value for one stray element.
TEST_F(ConfigurationTest, SettingsOfTheWrongTypeFallBack) {
  defaults.set("sortBy", 5);
  defaults.set("pinTo", true);
  EXPECT_EQ(configuration.sortBy(), "lastCopiedAt");
  EXPECT_EQ(configuration.pinTo(), "bottom");
  defaults.set("ignoredPasteboardTypes", Defaults::Value::array({"text/html", 3}));
  EXPECT_TRUE(configuration.ignoredPasteboardTypes().empty());
  defaults.set("ignoredPasteboardTypes", "text/html");  // not an array
  EXPECT_TRUE(configuration.ignoredPasteboardTypes().empty());
}

// The paste combination per program: the recorder's text form read back, names matched without
// case, the user's entries before the built-in ones, and values that are not combinations refused.
TEST_F(ConfigurationTest, PasteKeysNameEachProgramsCombinationAndRefuseWhatIsNotOne) {
  constexpr std::uint64_t kCtrl = cocoa_flags::kCommand, kShift = cocoa_flags::kShift;
  const PasteKey ctrlV{Key::v, kCtrl}, ctrlShiftV{Key::v, kCtrl | kShift}, shiftInsert{Key::help, kShift};
  struct Read { const char* text; std::optional<PasteKey> key; } reads[] = {
      {"Ctrl+Shift+V", ctrlShiftV},
      {"shift+ctrl+v", ctrlShiftV},
      {"Shift+Insert", shiftInsert},
      {"Super+Alt+F12", PasteKey{Key::f12, cocoa_flags::kControl | cocoa_flags::kOption}},
      {"V", PasteKey{Key::v, 0}},
      {"Ctrl+Ctrl+V", std::nullopt},
      {"Meta+V", std::nullopt},
      {"Ctrl+VV", std::nullopt},
      {"", std::nullopt},
  };
  for (const Read& read : reads) {
    EXPECT_EQ(paste_keys::parse(read.text), read.key) << read.text;
    if (read.key) {
      EXPECT_EQ(paste_keys::parse(paste_keys::text(*read.key)), read.key) << read.text;
    }
  }
  EXPECT_EQ(paste_keys::text(ctrlShiftV), "Ctrl+Shift+V");
  EXPECT_TRUE(shiftInsert.pastesPrimarySelection());
  EXPECT_FALSE(ctrlShiftV.pastesPrimarySelection());

  // The built-in terminals (the paste tests go through them) are matched without case.
  EXPECT_EQ(configuration.pasteKeyFor({"ALACRITTY"}), ctrlShiftV);

  // The user's entries: added, overriding a built-in one (any case), a broken one passed over.
  defaults.set("pasteKeys", Defaults::Value{{"XTERM", "Ctrl+Shift+V"}, {"st-256color", "Shift+Insert"},
                                            {"kitty", "Ctrl+Nothing"}});
  EXPECT_EQ(configuration.pasteKeyFor({"xterm", "XTerm"}), ctrlShiftV);
  EXPECT_EQ(configuration.pasteKeyFor({"st-256color", "St"}), shiftInsert);
  EXPECT_EQ(configuration.pasteKeyFor({"kitty"}), ctrlShiftV) << "the broken entry leaves the built-in one";
  EXPECT_EQ(configuration.pasteKeyFor({"urxvt"}), shiftInsert) << "the others stay";
  defaults.set("pasteKeys", "Ctrl+Shift+V");  // not an object
  EXPECT_EQ(configuration.pasteKeyFor({"foot"}), ctrlShiftV);
  EXPECT_EQ(configuration.pasteKeyFor({"gedit"}), ctrlV);

  EXPECT_EQ(paste_keys::problemWith(Defaults::Value{{"st", "Shift+Insert"}}), "");
  for (const Defaults::Value& bad : {Defaults::Value("Ctrl+V"), Defaults::Value::array({"st"}),
                                     Defaults::Value{{"st", "Shift+Inser"}}, Defaults::Value{{"st", 5}},
                                     Defaults::Value{{"", "Ctrl+V"}}}) {
    EXPECT_NE(paste_keys::problemWith(bad), "") << bad.dump();
  }
  EXPECT_EQ(paste_keys::problemWith(Defaults::Value{{"st", "Shift+Inser"}}).rfind("'Shift+Inser' for 'st' is not", 0), 0u);
}

}  // namespace
}  // namespace marbrel
