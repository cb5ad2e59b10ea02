// Marbrel on a desktop that changes under it: keyboard layouts switched while it runs, and a tray
// host that comes up only after the program.
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/MarbrelSession.h"

namespace marbrel::e2e {
namespace {

class DesktopScenario : public ::testing::Test {
 protected:
  void start(MarbrelSession::Tray tray) {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    session = std::make_unique<MarbrelSession>(info->name(), tray);
    if (!session->problem().empty()) GTEST_SKIP() << session->problem();
    if (!haveProgram("setxkbmap")) GTEST_SKIP() << "missing tool: setxkbmap";
  }
  void TearDown() override { session.reset(); }

  bool setLayout(const std::vector<std::string>& arguments) {
    std::vector<std::string> argv = {"setxkbmap"};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    return session->x().run(argv).exitCode == 0;
  }
  // Opens the menu with `keys` and closes it again; answers whether it opened.
  bool menuOpensWith(const std::string& keys) {
    if (session->openMenuWith(keys).empty()) return false;
    session->key("Escape");
    return session->waitForMenuClosed();
  }
  // The same, with the X key codes pressed together by the helper (which leaves the layout group
  // alone, where xdotool would select the group of the first layout for the press).
  bool menuOpensWithKeyCodes(const std::vector<std::string>& codes) {
    std::vector<std::string> argv = {MARBREL_E2E_HELPER, "press"};
    argv.insert(argv.end(), codes.begin(), codes.end());
    for (int attempt = 0; attempt < 4; ++attempt) {
      if (session->x().run(argv).exitCode != 0) return false;
      if (waitFor([&] { return !session->x().findWindows("^Marbrel Menu$").empty(); }, std::chrono::seconds(6))) {
        session->key("Escape");
        return session->waitForMenuClosed();
      }
    }
    return false;
  }
  bool copyOne() {
    return session->copy({{"text/plain", "layout check"}}) && session->waitForEntry("layout check");
  }

  std::unique_ptr<MarbrelSession> session;
};

TEST_F(DesktopScenario, ShortcutStillOpensTheMenuAfterTheKeymapChanges) {
  start(MarbrelSession::Tray::atStart);
  ASSERT_TRUE(setLayout({"us"}));
  ASSERT_TRUE(session->startMarbrel()) << "see " << session->outputDir();
  ASSERT_TRUE(copyOne());
  ASSERT_TRUE(menuOpensWith("ctrl+shift+v")) << "under us";

  ASSERT_TRUE(setLayout({"de"}));
  EXPECT_TRUE(menuOpensWith("ctrl+shift+v")) << "under de, a new keymap";

  // Two layouts in one keymap, the second selected: the grab does not depend on the group.
  ASSERT_TRUE(setLayout({"-layout", "us,de"}));
  EXPECT_TRUE(menuOpensWith("ctrl+shift+v")) << "under us,de with us selected";
  ASSERT_EQ(session->x().run({MARBREL_E2E_HELPER, "lock-group", "1"}).out, "group 1\n");
  // Left Control, left Shift and V.
  EXPECT_TRUE(menuOpensWithKeyCodes({"37", "50", "55"})) << "under us,de with de selected";
  EXPECT_TRUE(session->marbrel()->running());
}

// Shortcuts are stored by key position, as they were recorded: when a layout puts another letter
// on that key, the shortcut stays on the key (and the preferences show the new letter).
TEST_F(DesktopScenario, ShortcutStaysOnItsKeyWhenANewLayoutMovesItsLetter) {
  start(MarbrelSession::Tray::atStart);
  ASSERT_TRUE(setLayout({"us"}));
  // Ctrl+Shift and the key labelled Z on a US keyboard, Y on a German one.
  ASSERT_EQ(session->x()
                .run({MARBREL_EXECUTABLE, "defaults", "write", "KeyboardShortcuts_popup", "-string",
                      R"({"carbonKeyCode":6,"carbonModifiers":768})"})
                .exitCode,
            0);
  ASSERT_TRUE(session->startMarbrel()) << "see " << session->outputDir();
  ASSERT_TRUE(copyOne());
  ASSERT_TRUE(menuOpensWith("ctrl+shift+z")) << "under us the key types z";

  ASSERT_TRUE(setLayout({"de"}));
  EXPECT_TRUE(menuOpensWith("ctrl+shift+y")) << "under de the same key types y";
}

TEST_F(DesktopScenario, TrayHostStartedAfterTheProgramGetsTheIconAndItsClickOpensTheMenu) {
  start(MarbrelSession::Tray::later);
  ASSERT_TRUE(session->startMarbrel()) << "see " << session->outputDir();
  // Without a tray the program works through its shortcut (which also tells that it is up).
  ASSERT_TRUE(menuOpensWith("ctrl+shift+v"));
  ASSERT_TRUE(copyOne());
  EXPECT_TRUE(session->trayIcon().empty()) << "no icon without a tray host";

  ASSERT_TRUE(session->startTray());
  std::string icon;
  ASSERT_TRUE(waitFor([&] {
    icon = session->trayIcon();
    if (icon.empty()) return false;
    // Embedded: the tray host has taken the icon's window in.
    const std::string tree = session->x().run({"xwininfo", "-children", "-id", icon}).out;
    const auto parent = tree.find("Parent window id:");
    if (parent == std::string::npos) return false;
    const std::string line = tree.substr(parent, tree.find('\n', parent) - parent);
    return line.find("(the root window)") == std::string::npos;
  })) << "the icon is embedded in the tray that came up";
  session->x().screenshot(session->outputDir() + "/tray.png");

  session->x().run({"xdotool", "mousemove", "--window", icon, "4", "4", "click", "1"});
  EXPECT_FALSE(session->waitForMenu().empty()) << "a click on the icon opens the menu";
  EXPECT_TRUE(session->screenshotMenu("from-late-tray"));
  session->key("Escape");
  EXPECT_TRUE(session->waitForMenuClosed());
}

}  // namespace
}  // namespace marbrel::e2e
