#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include "core/app/LaunchAtLogin.h"
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

TEST_F(LaunchAtLoginFile, TurningOnWritesAPrivateEntryInAPrivateFolderThatStartsTheProgram) {
  EXPECT_FALSE(launch.isEnabled()) << "no entry yet";
  ASSERT_TRUE(launch.setEnabled(true));
  EXPECT_TRUE(launch.isEnabled());
  EXPECT_EQ(modeOf(entry), 0600u);
  EXPECT_EQ(modeOf(entry.parent_path()), 0700u);
  const std::string text = readFile(entry);
  EXPECT_NE(text.find("[Desktop Entry]\n"), std::string::npos);
  EXPECT_NE(text.find("\nType=Application\n"), std::string::npos);
  EXPECT_NE(text.find("\nExec=" + program.string() + "\n"), std::string::npos);
  // Sessions skip an entry whose TryExec program is gone, rather than failing to start it.
  EXPECT_NE(text.find("\nTryExec=" + program.string() + "\n"), std::string::npos);
  // No temporary file is left beside it.
  EXPECT_EQ(std::distance(fs::directory_iterator(entry.parent_path()), fs::directory_iterator()), 1);
}

TEST_F(LaunchAtLoginFile, TurningOnReplacesAHiddenEntryAndTurningOffRemovesIt) {
  writeFile(entry, "[Desktop Entry]\nType=Application\nExec=/old/marbrel\nHidden=true\n");
  EXPECT_FALSE(launch.isEnabled());
  ASSERT_TRUE(launch.setEnabled(true));
  EXPECT_TRUE(launch.isEnabled());
  EXPECT_EQ(readFile(entry).find("/old/marbrel"), std::string::npos);
  ASSERT_TRUE(launch.setEnabled(false));
  EXPECT_FALSE(fs::exists(entry));
  EXPECT_FALSE(launch.isEnabled());
  EXPECT_TRUE(launch.setEnabled(false));  // already off
}

TEST_F(LaunchAtLoginFile, HiddenOrDisabledEntriesCountAsOff) {
  EXPECT_TRUE(enabledWith(head));
  EXPECT_FALSE(enabledWith(head + "Hidden=true\n"));
  EXPECT_FALSE(enabledWith(head + "Hidden = true\n"));
  EXPECT_TRUE(enabledWith(head + "Hidden=false\n"));
  EXPECT_FALSE(enabledWith(head + "X-GNOME-Autostart-enabled=false\n"));
  EXPECT_TRUE(enabledWith(head + "X-GNOME-Autostart-enabled=true\n"));
  // The first occurrence of a key counts.
  EXPECT_FALSE(enabledWith(head + "Hidden=true\nHidden=false\n"));
  // Keys of other groups do not.
  EXPECT_TRUE(enabledWith(head + "[Desktop Action quit]\nHidden=true\n"));
}

TEST_F(LaunchAtLoginFile, EntriesTheSessionWouldNotStartCountAsOff) {
  EXPECT_FALSE(enabledWith(""));
  const std::string exec = "Exec=" + program.string() + "\n";
  EXPECT_FALSE(enabledWith("Type=Application\n" + exec));                    // no group
  EXPECT_FALSE(enabledWith("[Desktop Entry]\nType=Link\n" + exec));          // not a program
  EXPECT_FALSE(enabledWith("[Desktop Entry]\nType=Application\n"));                   // no command
  EXPECT_FALSE(enabledWith("[Desktop Entry]\nType=Application\nExec=\n"));
  EXPECT_FALSE(enabledWith(std::string("[Desktop Entry]\nType=Application\nExec=m\0x\n", 42)));
  EXPECT_TRUE(enabledWith("# made by hand\r\n[Desktop Entry]\r\nType=Application\r\nExec=" + program.string() + "\r\n"));
  fs::remove(entry);
  fs::create_directories(entry);  // a folder of that name
  EXPECT_FALSE(launch.isEnabled());
  EXPECT_FALSE(launch.setEnabled(false));
  EXPECT_FALSE(launch.setEnabled(true));
}

TEST_F(LaunchAtLoginFile, AnEntryWhoseProgramIsGoneCountsAsOff) {
  ASSERT_TRUE(launch.setEnabled(true));
  fs::remove(program);  // the build folder was deleted, or the package removed
  EXPECT_FALSE(launch.isEnabled());
  ASSERT_TRUE(launch.setEnabled(true));
  EXPECT_FALSE(launch.isEnabled()) << "turning it on again cannot start a program that is not there";

  makeProgram(program);
  const fs::path spaced = makeProgram(dir / "my bin" / "marbrel");
  writeFile(dir / "plain" / "marbrel", "not a program");
  fs::create_directories(dir / "folder" / "marbrel");
  const std::string group = "[Desktop Entry]\nType=Application\n";
  const struct {
    std::string keys;
    bool enabled;
    const char* why;
  } rows[] = {
      {"Exec=" + program.string() + " --flag %U\n", true, "arguments after the program do not matter"},
      {"Exec=\"" + spaced.string() + "\"\n", true, "a quoted path with a space"},
      {"Exec=\"" + (dir / "my bin" / "gone").string() + "\"\n", false, "a quoted path that is not there"},
      {"Exec=" + (dir / "bin" / "gone").string() + "\n", false, "a path that is not there"},
      {"Exec=" + (dir / "plain" / "marbrel").string() + "\n", false, "a file that is not executable"},
      {"Exec=" + (dir / "folder" / "marbrel").string() + "\n", false, "a folder"},
      {"Exec=marbrel\n", true, "a name found in PATH"},
      {"Exec=marbrel-gone\n", false, "a name not found in PATH"},
      {"Exec=\"\n", false, "an unterminated quote"},
      {"TryExec=" + (dir / "bin" / "gone").string() + "\n" + "Exec=" + program.string() + "\n", false,
       "TryExec names a program that is not there"},
      {"TryExec=marbrel\nExec=" + program.string() + "\n", true, "TryExec names a program found in PATH"},
  };
  const char* path = std::getenv("PATH");
  const std::string savedPath = path ? path : "";
  ::setenv("PATH", ("/nonexistent:" + (dir / "bin").string()).c_str(), 1);
  for (const auto& row : rows) EXPECT_EQ(enabledWith(group + row.keys), row.enabled) << row.why;
  if (path) ::setenv("PATH", savedPath.c_str(), 1);
  else ::unsetenv("PATH");
}

TEST_F(LaunchAtLoginFile, AFailedWriteReportsFailureAndLeavesNothingBehind) {
  // A file stands where the configuration folder should be: no folder can be made there.
  writeFile(dir / "config", "not a folder");
  EXPECT_FALSE(launch.setEnabled(true));
  EXPECT_FALSE(launch.isEnabled());
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 2) << "config and bin";
  if (::geteuid() == 0) return;  // permissions do not bind root
  fs::remove(dir / "config");
  fs::create_directories(entry.parent_path());
  ::chmod(entry.parent_path().c_str(), 0500);
  EXPECT_FALSE(launch.setEnabled(true));
  ::chmod(entry.parent_path().c_str(), 0700);
  EXPECT_TRUE(fs::is_empty(entry.parent_path()));
}

TEST(DesktopEntryExec, ReservedCharactersAreQuotedAndEscapedTwice) {
  const std::pair<const char*, const char*> rows[] = {
      {"/usr/bin/marbrel", "/usr/bin/marbrel"},
      {"/opt/marbrel-1.0/bin/marbrel", "/opt/marbrel-1.0/bin/marbrel"},
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

TEST(DesktopEntryExec, PathsThatCannotBeWrittenAreRefused) {
  EXPECT_EQ(desktopEntryExecValue(""), "");
  EXPECT_EQ(desktopEntryExecValue("/x/a\nb"), "");
  TempDir dir;
  LaunchAtLogin launch{dir / "autostart" / LaunchAtLogin::kEntryName, "/x/a\nb"};
  EXPECT_FALSE(launch.setEnabled(true));
  EXPECT_FALSE(fs::exists(dir / "autostart" / LaunchAtLogin::kEntryName));
}

TEST(LaunchAtLoginPaths, TheEntryLivesInTheUsersAutostartFolder) {
  const char* old = std::getenv("XDG_CONFIG_HOME");
  const std::string saved = old ? old : "";
  ::setenv("XDG_CONFIG_HOME", "/tmp/cfg", 1);
  EXPECT_EQ(LaunchAtLogin::standardEntryFile(),
            fs::path("/tmp/cfg/autostart/org.marbrel.Marbrel-LaunchAtLoginHelper.desktop"));
  if (old) ::setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
  else ::unsetenv("XDG_CONFIG_HOME");
  EXPECT_TRUE(LaunchAtLogin::runningProgram().is_absolute());
  EXPECT_TRUE(fs::exists(LaunchAtLogin::runningProgram()));
}

}  // namespace
}  // namespace marbrel
