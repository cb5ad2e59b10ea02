#include <gtest/gtest.h>

#include <sys/stat.h>


#include "core/app/LaunchAtLogin.h"
#include "support/Environment.h"
#include "support/Files.h"
#include "support/TempDir.h"

namespace marbrel {
namespace {

namespace fs = std::filesystem;
using testing::modeOf;
using testing::readFile;
using testing::TempDir;
using testing::writeFile;

// Makes an executable file standing for an installed program.
fs::path makeProgram(const fs::path& path) {
  writeFile(path, "#!/bin/sh\n");
  ::chmod(path.c_str(), 0755);
  return path;
}

struct LaunchAtLoginFile : ::testing::Test {
  TempDir dir;
  fs::path entry = dir / "config" / "autostart" / LaunchAtLogin::kEntryName;
  fs::path program = makeProgram(dir / "bin" / "marbrel");
  LaunchAtLogin launch{entry, program};
  // An entry's head that starts the program.
  std::string head = "[Desktop Entry]\nType=Application\nExec=" + program.string() + "\n";

  bool enabledWith(const std::string& text) {
    writeFile(entry, text);
    return launch.isEnabled();
  }
};

TEST_F(LaunchAtLoginFile, TurningOnWritesAPrivateEntryThatStartsTheProgramAndTurningOffRemovesIt) {
  EXPECT_FALSE(launch.isEnabled()) << "no entry yet";
  ASSERT_TRUE(launch.setEnabled(true));
  EXPECT_TRUE(launch.isEnabled());
  EXPECT_EQ(modeOf(entry), 0600u);
  EXPECT_EQ(modeOf(entry.parent_path()), 0700u);
  // Sessions skip an entry whose TryExec program is gone, rather than failing to start it.
  EXPECT_NE(readFile(entry).find("\nTryExec=" + program.string() + "\n"), std::string::npos) << readFile(entry);
  EXPECT_EQ(std::distance(fs::directory_iterator(entry.parent_path()), fs::directory_iterator()), 1) << "no temporary file is left";
  writeFile(entry, "[Desktop Entry]\nType=Application\nExec=/old/marbrel\nHidden=true\n");
  ASSERT_TRUE(launch.setEnabled(true));
  EXPECT_EQ(readFile(entry).find("/old/marbrel"), std::string::npos) << "a hidden entry is replaced";
  ASSERT_TRUE(launch.setEnabled(false));
  EXPECT_FALSE(fs::exists(entry));
  EXPECT_FALSE(launch.isEnabled());
  EXPECT_TRUE(launch.setEnabled(false));  // already off
}

// Only an entry the session would start counts as on: hidden, disabled, malformed ones or ones whose
// program is gone count as off.
TEST_F(LaunchAtLoginFile, OnlyAnEntryTheSessionWouldStartCountsAsOn) {
  const fs::path spaced = makeProgram(dir / "my bin" / "marbrel");
  const std::string group = "[Desktop Entry]\nType=Application\n", exec = "Exec=" + program.string() + "\n";
  const std::string gone = (dir / "bin" / "gone").string();
  const struct { std::string text; bool enabled; } rows[] = {
      {head, true},
      {head + "Hidden=true\n", false},
      {head + "X-GNOME-Autostart-enabled=false\n", false},
      {"Type=Application\n" + exec, false},  // no group
      {"[Desktop Entry]\nType=Link\n" + exec, false},
      {group + "Exec=" + program.string() + " --flag %U\n", true},
      {group + "Exec=\"" + spaced.string() + "\"\n", true},
      {group + "Exec=" + gone + "\n", false},
      {group + "Exec=marbrel\n", true},  // found in PATH
      {group + "TryExec=" + gone + "\n" + exec, false},
  };
  {
    testing::ScopedEnvironment environment;
    environment.set("PATH", "/nonexistent:" + (dir / "bin").string());
    for (const auto& row : rows) EXPECT_EQ(enabledWith(row.text), row.enabled) << row.text;
  }

  fs::remove(program);  // the build folder was deleted, or the package removed
  ASSERT_TRUE(launch.setEnabled(true));
  EXPECT_FALSE(launch.isEnabled()) << "turning it on cannot start a program that is not there";
}

TEST(DesktopEntryExec, ReservedCharactersAreQuotedAndEscapedTwice) {
  const std::pair<const char*, const char*> rows[] = {
      {"/usr/bin/marbrel", "/usr/bin/marbrel"},
      {"/home/a b/marbrel", "\"/home/a b/marbrel\""},
      {"/x/$HOME", "\"/x/\\\\$HOME\""},
      {"/x/a\"b", "\"/x/a\\\\\"b\""},
      // A backslash becomes four: one for the quoting, each doubled for the value's own escaping.
      {"/x/a\\b", "\"/x/a\\\\\\\\b\""},
      {"/x/100%", "/x/100%%"},
      {"/x/it's", "\"/x/it's\""},
  };
  for (const auto& [path, exec] : rows) {
    EXPECT_EQ(desktopEntryExecValue(path), exec) << path;
    EXPECT_EQ(desktopEntryProgram(exec), path) << "read back: " << exec;
  }
}

}  // namespace
}  // namespace marbrel
