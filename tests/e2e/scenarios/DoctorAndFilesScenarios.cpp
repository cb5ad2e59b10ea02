// What `marbrel doctor` finds in the sessions a user runs it in, each probed for real, and what the
// program leaves on disk: copies marked as secret never reach any file, and every file and folder
// it writes is the user's alone.
#include <filesystem>
#include <random>
#include <sstream>

#include "support/Scenario.h"

namespace marbrel::e2e {

// The printed lines by label ("paste" -> "XTest"); also used by the Wayland and portal scenarios.
std::map<std::string, std::string> doctorLines(const std::string& out) {
  std::map<std::string, std::string> lines;
  std::istringstream in(out);
  for (std::string line; std::getline(in, line);) {
    const auto colon = line.find(": ");
    if (colon != std::string::npos) lines[line.substr(0, colon)] = line.substr(colon + 2);
  }
  return lines;
}

namespace {

namespace fs = std::filesystem;

// The files under `roots` whose bytes contain `needle`, one per line.
std::string filesContaining(std::vector<std::string> roots, const std::string& needle) {
  roots.insert(roots.begin(), {"grep", "-rlaF", "--", needle});
  return runCommand(roots).out;
}

// Everything under `root` (not `root` itself) whose mode is not 0700 for folders and 0600 for
// files, as "path mode" lines.
std::string looselyProtected(const std::string& root) {
  return runCommand({"find", root, "-mindepth", "1", "(", "(", "-type", "d", "!", "-perm", "700", ")", "-o", "(", "-type",
                     "f", "!", "-perm", "600", ")", ")", "-printf", "%p %m\n"})
      .out;
}

// Needs no display: the command line alone, in fresh folders.
TEST(CommandLineScenario, WithNoSessionDoctorSaysWhyAndTheCommandsWriteOnlyPrivateFiles) {
  char pattern[] = "/tmp/marbrel-fresh-XXXXXX";
  ASSERT_NE(::mkdtemp(pattern), nullptr);
  const std::string root = pattern;
  fs::create_directories(root + "/config");
  fs::create_directories(root + "/data");
  const std::map<std::string, std::string> env = {{"XDG_CONFIG_HOME", root + "/config"},
                                                  {"XDG_DATA_HOME", root + "/data"},
                                                  {"-DISPLAY", ""}, {"-WAYLAND_DISPLAY", ""}, {"-XDG_SESSION_TYPE", ""},
                                                  {"DBUS_SESSION_BUS_ADDRESS", "disabled:"}};
  const CommandResult r = runCommand({MARBREL_EXECUTABLE, "doctor"}, env, std::chrono::seconds(30));
  EXPECT_EQ(r.exitCode, 1) << r.out << r.err;
  auto lines = doctorLines(r.out);
  EXPECT_EQ(lines["session"], "none (neither DISPLAY nor WAYLAND_DISPLAY is set); to fix: run Marbrel inside a desktop session");
  EXPECT_EQ(lines["clipboard capture"], "none; to fix: run Marbrel inside a desktop session");
  EXPECT_EQ(lines["tray host"], "none: no tray icon; to fix: run Marbrel inside a desktop session");

  EXPECT_EQ(runCommand({MARBREL_EXECUTABLE, "defaults", "write", "maxMenuItems", "-int", "7"}, env).exitCode, 0);
  EXPECT_EQ(runCommand({MARBREL_EXECUTABLE, "history", "list"}, env).exitCode, 0);
  const CommandResult read = runCommand({MARBREL_EXECUTABLE, "defaults", "read", "maxMenuItems"}, env);
  EXPECT_NE(read.out.find('7'), std::string::npos) << "the written value reads back: " << read.out << read.err;
  EXPECT_NE(filesContaining({root + "/config"}, "maxMenuItems"), "") << "the defaults should be written to disk";
  EXPECT_EQ(looselyProtected(root + "/config"), "");
  EXPECT_EQ(looselyProtected(root + "/data"), "");
  std::error_code error;
  fs::remove_all(root, error);
}

class DoctorScenario : public Scenario {
 protected:
  DoctorScenario() { startsMarbrel = false; }
};

TEST_F(DoctorScenario, UnderX11DoctorFindsEverythingAndSecretCopiesLeaveNoBytesOnDiskWhereEveryFileIsPrivate) {
  const CommandResult r = run({MARBREL_EXECUTABLE, "doctor"}, std::chrono::seconds(30));
  EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
  auto lines = doctorLines(r.out);
  EXPECT_EQ(lines["session"], "X11 (DISPLAY=" + x->display() + ")");
  EXPECT_EQ(lines["clipboard capture"], "X11");
  EXPECT_EQ(lines["copy back"], "X11");
  EXPECT_EQ(lines["paste"], "XTest");
  EXPECT_EQ(lines["global shortcut"], "X grab");
  EXPECT_EQ(lines["tray host"], "X11 system tray");
  EXPECT_EQ(lines["settings"], x->home() + "/config/marbrel/defaults.json (not there yet: Marbrel makes it at its first start)");
  // Once the program ran, its files are there and private; JSON says the same.
  ASSERT_TRUE(startMarbrel());
  const CommandResult json = run({MARBREL_EXECUTABLE, "doctor", "--json"}, std::chrono::seconds(30));
  EXPECT_EQ(json.exitCode, 0);
  const auto parsed = nlohmann::json::parse(json.out, nullptr, false);
  ASSERT_TRUE(parsed.is_object()) << json.out;
  EXPECT_EQ(parsed["ok"], true);
  for (const auto& check : parsed["checks"]) {
    if (check["id"] == "history") {
      EXPECT_EQ(check["value"], x->home() + "/data/marbrel/MarbrelStorage.sqlite (0600, folder 0700)");
    }
  }

  const std::vector<std::pair<std::string, std::string>> markers = {
      {"x-kde-passwordManagerHint", "secret"},
      {"org.nspasteboard.ConcealedType", "1"},
      {"org.nspasteboard.TransientType", "1"},
      {"org.nspasteboard.AutoGeneratedType", "1"},
  };
  std::random_device random;
  std::vector<std::string> secrets, ordinary;
  for (const auto& [type, value] : markers) {
    secrets.push_back("secret-" + std::to_string(random()) + "-" + std::to_string(random()));
    ordinary.push_back("ordinary-" + std::to_string(random()) + "-" + std::to_string(random()));
    ASSERT_TRUE(copy({{"text/plain", secrets.back()}, {type, value}}));
    // Once the next copy is in the history, the secret's turn has certainly passed.
    ASSERT_TRUE(copy({{"text/plain", ordinary.back()}}));
    ASSERT_TRUE(waitForEntry(ordinary.back())) << "after the copy marked " << type;
  }
  EXPECT_EQ(history().size(), ordinary.size());

  marbrel->stop(std::chrono::seconds(15));
  EXPECT_EQ(marbrel->exitStatus(), std::optional<int>(0)) << "Marbrel should end cleanly on TERM";
  ASSERT_TRUE(fs::exists(x->home() + "/data/marbrel/MarbrelStorage.sqlite")) << "the history should be on disk";
  const std::vector<std::string> scanned = {x->home(), outputDir + "/marbrel-0.log"};
  // The scan sees the stored history: each ordinary copy is found in some file.
  for (const auto& text : ordinary) EXPECT_NE(filesContaining(scanned, text), "") << text << " should be stored";
  for (std::size_t i = 0; i < secrets.size(); ++i) {
    EXPECT_EQ(filesContaining(scanned, secrets[i]), "") << "the copy marked " << markers[i].first << " reached the disk";
  }
  // The test made the two homes; everything inside them is the program's.
  EXPECT_EQ(looselyProtected(x->home() + "/data"), "");
  EXPECT_EQ(looselyProtected(x->home() + "/config"), "");
}

}  // namespace
}  // namespace marbrel::e2e
