// Marbrel on the desktops people have: other keyboard layouts, two monitors, a tray host that comes
// up only after the program, and a program launched twice at once (by a session and by the user).
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/Scenario.h"

namespace marbrel::e2e {
namespace {

// Marbrel is started by each scenario, once it has set the layout or the settings it needs.
class DesktopScenario : public Scenario {
 protected:
  DesktopScenario() { tools = {"setxkbmap"}; startsMarbrel = false; }

  bool setLayout(const std::vector<std::string>& arguments) {
    std::vector<std::string> argv = {"setxkbmap"};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    return session->x().run(argv).exitCode == 0;
  }
  // Opens the menu with `keys` and closes it again; answers whether it opened.
  bool menuOpensWith(const std::string& keys) { return !session->openMenuWith(keys).empty() && closeMenu(); }
  // The same, with the X key codes pressed together by the helper (which leaves the layout group
  // alone, where xdotool would select the group of the first layout for the press).
  bool menuOpensWithKeyCodes(const std::vector<std::string>& codes) {
    std::vector<std::string> argv = {MARBREL_E2E_HELPER, "press"};
    argv.insert(argv.end(), codes.begin(), codes.end());
    for (int attempt = 0; attempt < 4; ++attempt) {
      if (session->x().run(argv).exitCode != 0) return false;
      if (waitFor([&] { return !session->x().findWindows("^Marbrel Menu$").empty(); }, std::chrono::seconds(6))) {
        return true;
      }
    }
    return false;
  }
  bool copyOne() {
    return session->copy({{"text/plain", "layout check"}}) && session->waitForEntry("layout check");
  }
};

class LateTrayScenario : public DesktopScenario {
 protected:
  LateTrayScenario() { tray = MarbrelSession::Tray::later; tools = {}; }
};

class TwoMonitorScenario : public DesktopScenario {
 protected:
  TwoMonitorScenario() { monitors = 2; tools = {}; }
};

class TwoLaunchScenario : public DesktopScenario {
 protected:
  TwoLaunchScenario() { tools = {}; }
};

TEST_F(DesktopScenario, ShortcutStillOpensTheMenuAfterTheKeymapChanges) {
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
  EXPECT_TRUE(menuOpensWithKeyCodes({"37", "50", "55"}) && closeMenu()) << "under us,de with de selected";
  EXPECT_TRUE(session->marbrel()->running());
}

// Shortcuts are stored by key position, as they were recorded: when a layout puts another letter
// on that key, the shortcut stays on the key (and the preferences show the new letter).
TEST_F(DesktopScenario, ShortcutStaysOnItsKeyWhenANewLayoutMovesItsLetter) {
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

TEST_F(LateTrayScenario, TrayHostStartedAfterTheProgramGetsTheIconAndItsClickOpensTheMenu) {
  // Set to open at the icon before the program starts, so that no opening races the program's
  // reading of a changed settings file.
  ASSERT_TRUE(setting("popupPosition", "statusItem"));
  ASSERT_TRUE(session->startMarbrel()) << "see " << session->outputDir();
  // Without a tray the program works through its shortcut (which also tells that it is up).
  ASSERT_TRUE(menuOpensWith("ctrl+shift+v"));
  ASSERT_TRUE(copyOne());
  EXPECT_TRUE(session->trayIcon().empty()) << "no icon without a tray host";

  // Set to open at the icon, with no icon to tell where (as trays over D-Bus): at the pointer.
  session->x().run({"xdotool", "mousemove", "300", "200"});
  const std::string menu = session->openMenuWith("ctrl+shift+v");
  ASSERT_FALSE(menu.empty()) << "the shortcut opens the menu without the icon's place";
  const auto menuRect = session->windowRect(menu);
  ASSERT_TRUE(menuRect);
  EXPECT_EQ(menuRect->x, 300);
  EXPECT_EQ(menuRect->y, 200);
  ASSERT_TRUE(closeMenu());

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
  EXPECT_TRUE(closeMenu());
}

TEST_F(DesktopScenario, PasteTypesVUnderDvorakWhereTheVKeyTypesK) {
  ASSERT_TRUE(setLayout({"us", "-variant", "dvorak"}));
  ASSERT_TRUE(session->startMarbrel()) << "see " << session->outputDir();
  ASSERT_TRUE(copyOne());
  ASSERT_TRUE(session->startPasteTarget());
  // The shortcut stays on its key, the one that types k under Dvorak: Left Control, Left Shift and it.
  ASSERT_TRUE(menuOpensWithKeyCodes({"37", "50", "55"}));
  session->key("Return");
  ASSERT_TRUE(session->waitForMenuClosed());
  EXPECT_TRUE(waitFor([&] { return session->pastedText() == "layout check"; }))
      << "pasted: '" << session->pastedText() << "'";
}

TEST_F(TwoMonitorScenario, CenterOpensTheMenuInTheMiddleOfTheMonitorWithThePointer) {
  ASSERT_TRUE(setting("popupPosition", "center"));
  ASSERT_TRUE(session->startMarbrel()) << "see " << session->outputDir();
  ASSERT_TRUE(copyOne());
  // Two 1280 x 800 monitors side by side; the pointer on the right-hand one.
  session->x().run({"xdotool", "mousemove", "2000", "600"});
  const std::string menu = session->openMenuWith("ctrl+shift+v");
  ASSERT_FALSE(menu.empty());
  session->x().screenshot(session->outputDir() + "/two-monitors.png");
  const auto rect = session->windowRect(menu);
  ASSERT_TRUE(rect);
  EXPECT_NEAR(rect->x + rect->width / 2.0, 1280 + 640, 1.0);
  // The menu is measured before this opening fills in its rows: within a row of the middle.
  EXPECT_NEAR(rect->y + rect->height / 2.0, 400, 24.0);
  EXPECT_TRUE(closeMenu());
}

TEST_F(TwoLaunchScenario, TwoLaunchesAtOnceLeaveOneProgramThatRecordsEachCopyOnce) {
  Process first({MARBREL_EXECUTABLE}, session->x().environment(), session->outputDir() + "/first.log");
  Process second({MARBREL_EXECUTABLE}, session->x().environment(), session->outputDir() + "/second.log");
  ASSERT_TRUE(waitFor([&] { return first.running() != second.running(); }, std::chrono::seconds(40)))
      << "one of the two leaves; see " << session->outputDir();
  Process& left = first.running() ? second : first;
  EXPECT_EQ(left.exitStatus(), 0) << "the launch that leaves hands over to the one that runs";
  // Handing over opens the running program's menu, as any later launch does.
  ASSERT_FALSE(session->waitForMenu().empty());
  EXPECT_TRUE(session->screenshotMenu("handed-over"));
  ASSERT_TRUE(closeMenu());

  ASSERT_TRUE(session->copy({{"text/plain", "copied once"}}));
  ASSERT_TRUE(session->waitForEntry("copied once"));
  ASSERT_TRUE(session->copy({{"text/plain", "and again once"}}));
  ASSERT_TRUE(session->waitForEntry("and again once"));
  EXPECT_EQ(session->history().size(), 2u);
  EXPECT_EQ(entryTitled("copied once").value("numberOfCopies", 0), 1);
  EXPECT_TRUE(first.running() != second.running()) << "still exactly one program";
}

}  // namespace
}  // namespace marbrel::e2e
