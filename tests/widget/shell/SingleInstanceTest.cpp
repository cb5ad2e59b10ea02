#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include <QFile>
#include <gtest/gtest.h>

#include "launcher/HandOver.h"
#include "support/Environment.h"
#include "support/TempDir.h"

namespace marbrel {
namespace {

namespace fs = std::filesystem;

// Sets the variables the socket's place depends on, and puts back the test program's own at the end.
struct HandOverPlace : ::testing::Test {
  testing::ScopedEnvironment environment;
};

// Whether `folder` is the user's alone: a real folder (no link), the user's, mode 0700.
bool isPrivateFolder(const fs::path& folder) {
  struct stat info {};
  return ::lstat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == ::getuid() &&
         (info.st_mode & 07777) == 0700;
}

// Without a runtime folder of the user's own, the lock and the socket must not lie where another
// user can make them first: in a folder of the user's own in the temporary folder, or nowhere.
TEST_F(HandOverPlace, WithoutAPrivateRuntimeFolderTheSocketLiesInAFolderOfTheUsersOwnOrNowhere) {
  const testing::TempDir temporary, runtime;
  fs::permissions(temporary.path(), fs::perms::all | fs::perms::sticky_bit);  // as /tmp is
  environment.set("TMPDIR", temporary.path().string());
  environment.set("DISPLAY", ":0");
  const fs::path own = temporary / ("marbrel-" + std::to_string(::getuid()));
  const fs::path elsewhere = temporary / "elsewhere";
  fs::create_directory(elsewhere);
  fs::permissions(elsewhere, fs::perms::owner_all, fs::perm_options::replace);
  const auto makeOwn = [&](fs::perms mode) {
    fs::create_directory(own);
    fs::permissions(own, mode, fs::perm_options::replace);
  };
  const struct {
    const char* why;
    std::optional<std::string> runtimeFolder;
    std::function<void()> prepare;
    bool refused;
  } rows[] = {
      {"no runtime folder: the user's folder is made", std::nullopt, [] {}, false},
      {"a runtime folder open to everyone is not used", temporary.path().string(), [] {}, false},
      {"the user's folder is there already", std::nullopt, [&] { makeOwn(fs::perms::owner_all); }, false},
      {"the folder is open to others", std::nullopt,
       [&] { makeOwn(fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec | fs::perms::others_read |
                     fs::perms::others_exec); },
       true},
      {"the folder is a link to another folder", std::nullopt, [&] { fs::create_directory_symlink(elsewhere, own); },
       true},
      {"the name is a file", std::nullopt, [&] { QFile(QString::fromStdString(own.string())).open(QIODevice::WriteOnly); },
       true},
  };
  for (const auto& row : rows) {
    fs::remove_all(own);
    environment.set("XDG_RUNTIME_DIR", row.runtimeFolder);
    row.prepare();
    std::string problem;
    const std::string socket = handOverSocketPath(&problem);
    if (row.refused) {
      EXPECT_EQ(socket, "") << row.why;
      EXPECT_NE(problem.find("the folder " + own.string() + " "), std::string::npos) << row.why << ": " << problem;
    } else {
      EXPECT_EQ(fs::path(socket).parent_path(), own) << row.why;
      EXPECT_TRUE(isPrivateFolder(own)) << row.why;
    }
  }
  // Another user's folder of that name: only root can make one.
  if (::geteuid() == 0) {
    fs::remove_all(own);
    environment.set("XDG_RUNTIME_DIR", std::nullopt);
    makeOwn(fs::perms::owner_all);
    ASSERT_EQ(::chown(own.c_str(), 65534, 65534), 0);
    EXPECT_EQ(handOverSocketPath(), "") << "another user's folder";
  }
  // A runtime folder of the user's own holds the socket itself, under the name every version used.
  environment.set("XDG_RUNTIME_DIR", runtime.path().string());
  fs::permissions(runtime.path(), fs::perms::owner_all, fs::perm_options::replace);
  EXPECT_EQ(handOverSocketPath(), (runtime / ("marbrel-" + std::to_string(::getuid()) + "-d9371d14a0a138b6")).string());
}

// One display has one socket however its name is written; other displays have others.
TEST_F(HandOverPlace, OneDisplayHasOneSocketHoweverItsNameIsWritten) {
  const testing::TempDir runtime;
  environment.set("XDG_RUNTIME_DIR", runtime.path().string());
  const auto socketFor = [&](const std::string& display) {
    environment.set("DISPLAY", display);
    return handOverSocketPath();
  };
  const struct { std::string a, b; bool same; const char* why; } rows[] = {
      {":0", ":0.0", true, "the screen number names no other display"},
      {"unix:0", ":0", true, "the local connection spelled out"},
      {":0", ":1", false, "two displays"},
      {":1", ":10", false, "two displays with one digit in common"},
      {"host:0", ":0", false, "a display of another machine"},
  };
  for (const auto& row : rows) EXPECT_EQ(socketFor(row.a) == socketFor(row.b), row.same) << row.why;
}

}  // namespace
}  // namespace marbrel
