// Marbrel on the desktops people have: other layouts, two monitors, a late tray host, two launches at
// once, two displays on one history, terminals.
#include <filesystem>
#include <fstream>

#include "support/Scenario.h"

namespace marbrel::e2e {
namespace {

// Marbrel is started by each scenario, once it has set the layout or the settings it needs.
class DesktopScenario : public Scenario {
 protected:
  DesktopScenario() { tools = {"setxkbmap"}; startsMarbrel = false; }

  bool menuOpensWith(const std::string& keys) { return !openMenu(keys).empty() && closeMenu(); }
  // Left Control, Left Shift and the X key code `key` pressed by the helper (which leaves the layout
  // group alone, where xdotool would select the group of the first layout for the press).
  bool menuOpensWithCtrlShiftAnd(const std::string& key) {
    return !openMenuBy([&] { run({MARBREL_E2E_HELPER, "press", "37", "50", key}); }).empty();
  }
};

struct LateTrayScenario : DesktopScenario { LateTrayScenario() { tray = Tray::later; tools = {}; } };

struct TwoMonitorScenario : DesktopScenario { TwoMonitorScenario() { monitors = 2; tools = {}; } };

struct TerminalScenario : Scenario { TerminalScenario() { tools = {"xterm", "lxterminal"}; } };

using TwoDisplayScenario = Scenario;

// Shortcuts are stored by key position, as they were recorded: through keymap changes the grab
// follows the key, and when a layout puts another letter on it the shortcut stays on the key. The
// paste types V wherever the layout has it.
TEST_F(DesktopScenario, ShortcutStaysOnItsKeyThroughLayoutChangesAndPasteTypesVUnderDvorak) {
  ASSERT_EQ(run({"setxkbmap", "us"}).exitCode, 0);
  // Ctrl+Shift and the key labelled Z on a US keyboard, Y on a German one, ; under Dvorak.
  ASSERT_TRUE(setting("KeyboardShortcuts_popup", R"({"carbonKeyCode":6,"carbonModifiers":768})"));
  ASSERT_TRUE(startMarbrel() && copyText("layout check"))
      << "see " << outputDir;
  ASSERT_TRUE(menuOpensWith("ctrl+shift+z")) << "under us the key types z";
  run({"xdotool", "key", "Caps_Lock"});
  EXPECT_TRUE(menuOpensWithCtrlShiftAnd("52") && closeMenu()) << "Caps Lock on does not stop it";
  run({"xdotool", "key", "Caps_Lock"});

  ASSERT_EQ(run({"setxkbmap", "de"}).exitCode, 0);
  EXPECT_TRUE(menuOpensWith("ctrl+shift+y")) << "under de, a new keymap, the same key types y";

  // Two layouts in one keymap, the second selected: the grab does not depend on the group.
  ASSERT_EQ(run({"setxkbmap", "-layout", "us,de"}).exitCode, 0);
  ASSERT_EQ(run({MARBREL_E2E_HELPER, "lock-group", "1"}).out, "group 1\n");
  EXPECT_TRUE(menuOpensWithCtrlShiftAnd("52") && closeMenu()) << "under us,de with de selected";

  // Under Dvorak the V key types k: the paste must press the key that types v.
  ASSERT_EQ(run({"setxkbmap", "us", "-variant", "dvorak"}).exitCode, 0);
  ASSERT_TRUE(startPasteTarget());
  ASSERT_TRUE(menuOpensWithCtrlShiftAnd("52"));
  EXPECT_TRUE(pasteChosen("layout check")) << "pasted: '" << pastedText() << "'";
}

TEST_F(LateTrayScenario, TrayHostStartedAfterTheProgramGetsTheIcon) {
  ASSERT_TRUE(startMarbrel()) << "see " << outputDir;
  EXPECT_TRUE(trayIcon().empty()) << "no icon without a tray host";
  ASSERT_FALSE(openMenu().empty()) << "the shortcut opens the menu without a tray";
  ASSERT_TRUE(closeMenu());

  ASSERT_TRUE(startTray());
  std::string icon;
  ASSERT_TRUE(waitFor([&] {
    icon = trayIcon();
    if (icon.empty()) return false;
    // Embedded: the tray host has taken the icon's window in.
    const std::string tree = run({"xwininfo", "-children", "-id", icon}).out;
    const auto parent = tree.find("Parent window id:");
    return parent != std::string::npos &&
           tree.substr(parent, tree.find('\n', parent) - parent).find("(the root window)") == std::string::npos;
  })) << "the icon is embedded in the tray that came up";
  EXPECT_TRUE(screenshot("tray", "root"));
}

TEST_F(TwoMonitorScenario, TwoLaunchesLeaveOneProgramWhoseMenuOpensInTheMiddleOfThePointersMonitor) {
  ASSERT_TRUE(setting("popupPosition", "center"));
  const auto first = launch({MARBREL_EXECUTABLE}, "first.log");
  const auto second = launch({MARBREL_EXECUTABLE}, "second.log");
  ASSERT_TRUE(waitFor([&] { return first->running() != second->running(); }, std::chrono::seconds(40)))
      << "one of the two leaves; see " << outputDir;
  EXPECT_EQ((first->running() ? second : first)->exitStatus(), 0) << "the launch that leaves hands over";
  // Handing over opens the running program's menu, as any later launch does.
  ASSERT_FALSE(waitForMenu().empty());
  EXPECT_TRUE(screenshot("handed-over"));
  ASSERT_TRUE(closeMenu());

  ASSERT_TRUE(copyText("copied once") && copyText("and again once"));
  EXPECT_EQ(history().size(), 2u);
  EXPECT_EQ(copiesOf("copied once"), 1) << "each copy recorded once";

  // Two 1280 x 800 monitors side by side; the pointer on the right-hand one.
  run({"xdotool", "mousemove", "2000", "600"});
  const std::string menu = openMenu();
  ASSERT_FALSE(menu.empty());
  screenshot("two-monitors", "root");
  const auto rect = windowRect(menu);
  ASSERT_TRUE(rect);
  EXPECT_NEAR(rect->x + rect->width / 2.0, 1280 + 640, 1.0);
  // The menu is measured before this opening fills in its rows: within a row of the middle.
  EXPECT_NEAR(rect->y + rect->height / 2.0, 400, 24.0);
  EXPECT_TRUE(closeMenu());
  EXPECT_TRUE(first->running() != second->running()) << "still exactly one program";
}

// Terminals take Ctrl+V as a key of their own (xterm typed ^V): each gets the combination it pastes
// with, found by the class of the window in front when the menu opens. xterm pastes the primary
// selection with Shift+Insert, so the entry goes there too; lxterminal pastes with Ctrl+Shift+V. In
// each, `cat` on a terminal that hands over every byte at once writes what arrives to a file.
TEST_F(TerminalScenario, XtermAndLxterminalReceiveTheEntryThroughTheirOwnPasteKeys) {
  ASSERT_TRUE(copyText("into a terminal"));
  for (const std::string terminal : {"xterm", "lxterminal"}) {
    SCOPED_TRACE(terminal);
    const std::string received = scratchDir() + "/" + terminal + ".txt", script = scratchDir() + "/" + terminal + ".sh";
    std::ofstream(script) << "#!/bin/sh\nstty -icanon -echo\nexec cat > " << received << "\n";
    std::filesystem::permissions(script, std::filesystem::perms(0755));
    const std::string title = "MarbrelTerminal-" + terminal;
    owners.push_back(launch({terminal, terminal == "xterm" ? "-T" : "-t", title, "-e", script}, terminal + ".log"));
    const std::string window = waitForWindow("^" + title + "$");
    ASSERT_FALSE(window.empty()) << "see " << outputDir;
    ASSERT_TRUE(waitFor([&] { return std::filesystem::exists(received); })) << "cat runs";
    ASSERT_TRUE(focus(window));
    ASSERT_FALSE(openMenu().empty());
    key("Return");
    ASSERT_TRUE(waitForMenuClosed());
    EXPECT_TRUE(waitFor([&] { return readFile(received) == "into a terminal"; }))
        << "received: '" << readFile(received) << "'";
  }
}

// One history has one writer. The program started on a second display of the same user (a remote
// session, a nested server) leaves the history to the running one: it names the display that holds
// it on standard error and in a notice, and exits with 3.
TEST_F(TwoDisplayScenario, ASecondDisplaysProgramLeavesTheHistoryToTheFirst) {
  ASSERT_TRUE(copyText("kept by the first")) << "see " << outputDir;
  XSession other(outputDir + "/other");
  ASSERT_TRUE(other.ok());
  const auto second = launch({MARBREL_EXECUTABLE}, "second-display.log", {{"DISPLAY", other.display()}});
  std::string notice;
  waitFor([&] {
        const std::string ids = other.run({"xdotool", "search", "--onlyvisible", "--name", "^Marbrel$"}).out;
        notice = ids.substr(0, ids.find('\n'));
        return !notice.empty() || !second->running();
      },
      std::chrono::seconds(40));
  ASSERT_FALSE(notice.empty()) << "no notice on the second display; its program " << (second->running() ? "runs" : "ended");
  other.run({"import", "-window", notice, outputDir + "/notice.png"});
  const std::string said = readFile(outputDir + "/second-display.log");
  EXPECT_NE(said.find("display " + x->display() + " (process " + std::to_string(marbrel->pid()) + ")"),
            std::string::npos)
      << said;
  EXPECT_TRUE(waitFor([&] {
    other.run({"xdotool", "windowfocus", notice});
    other.run({"xdotool", "key", "Return"});
    return !second->running();
  })) << "the notice is answered and the program leaves";
  EXPECT_EQ(second->exitStatus(), 3);

  ASSERT_TRUE(copyText("and more"));
  EXPECT_EQ(history().size(), 2u) << "the history has the first program's copies alone";
}

}  // namespace
}  // namespace marbrel::e2e
