// Marbrel in a headless Wayland compositor (sway, Mutter, KWin), driven only by native Wayland
// programs: wl-copy, wl-paste, a keyboard (under sway also one of another layout), a Qt window as
// copier and paste target, foot, under sway swaybar as the tray host, which clicks over the session
// bus, and under Mutter the desktop portal's frontend with a test backend. One description per
// compositor says what it offers; the scenarios skip what it does not.
#include <csignal>
#include <optional>
#include <sstream>
#include <thread>

#include "support/PortalBus.h"
#include "support/Scenario.h"
#include "support/WaylandSession.h"

namespace marbrel::e2e {
namespace {

using namespace std::chrono_literals;

// What a compositor offers, as measured, and what the doctor says of it.
struct Desktop {
  Compositor compositor;
  std::string capture, copyBack, paste, pasteKeys;  // the doctor's lines (a prefix for the paste and its keys)
  bool nativeKeys;     // keys reach native Wayland windows (the Qt copier and paste target)
  bool shortcut;       // the compositor runs marbrel for Ctrl+Shift+V (else a launch stands in)
  bool nativePaste;    // the chosen entry is pasted into a native window in front
  bool tray;           // a tray host the test can start (swaybar)
  bool portalPaste;    // pastes through the RemoteDesktop portal (the real frontend, the test's backend)
};

void PrintTo(const Desktop& desktop, std::ostream* out) { *out << name(desktop.compositor); }

const Desktop kDesktops[] = {
    {Compositor::sway, "wlr-data-control-unstable-v1", "wlr-data-control-unstable-v1",
     "virtual keyboard, offered, not verified",
     "per program, by the app id of the window in front (wlr foreign toplevel)", true, true, true, true, false},
    // Mutter offers no data control but hands every Wayland selection to XWayland; pasting into a
    // native window needs the RemoteDesktop portal.
    {Compositor::mutter, "X clipboard, with Wayland programs' copies (the compositor hands them to XWayland)",
     "X clipboard, handed to Wayland programs by the compositor", "XTest, into X11 programs only",
     "Ctrl+V into Wayland programs", true, false, false, false, true},
    // KWin offers fake input and its window list only to a program a desktop entry names (the
    // package's names the installed one): the test names the build's. Its XWayland takes XTest keys,
    // for X11 windows only.
    {Compositor::kwin, "wlr-data-control-unstable-v1", "wlr-data-control-unstable-v1",
     "none: KWin offers fake input only to the installed program", "Ctrl+V into Wayland programs", false, false,
     true, false, false},
};

class WaylandScenario : public Scenario, public ::testing::WithParamInterface<Desktop> {
 protected:
  std::string setUpStage() override {
    // Sway's own key binding runs marbrel, whose second launch pops the menu up. The bar is
    // declared here and started by the test.
    wayland = std::make_unique<WaylandSession>(
        desktop.compositor, outputDir,
        (binding.empty() ? std::string() : "bindsym " + binding + " exec " + MARBREL_EXECUTABLE + "\n") +
            "bar {\n  id tray\n  swaybar_command true\n}");
    if (!wayland->problem().empty()) return wayland->problem();
    if (run({"test", "-x", MARBREL_EXECUTABLE}).exitCode != 0) {
      return std::string("the session's user cannot run ") + MARBREL_EXECUTABLE + " (make the build folder readable)";
    }
    return desktop.compositor != Compositor::sway || wayland->startSessionBus() ? "" : "no session bus; see " + outputDir;
  }
  CommandResult run(const std::vector<std::string>& argv, std::chrono::milliseconds timeout = 20s) const override {
    return wayland->run(argv, timeout);
  }
  std::unique_ptr<Process> launch(const std::vector<std::string>& argv, const std::string& log,
                                  const std::map<std::string, std::string>& env = {}) const override {
    return wayland->start(argv, outputDir + "/" + log, env);
  }
  std::string scratchDir() const override { return wayland->runtimeDir(); }
  // Ready once it said which adapters it chose.
  bool startMarbrel(const std::map<std::string, std::string>& env = {}) override {
    return Scenario::startMarbrel(env) && waitFor([&] { return marbrelLog().find("clipboard") != std::string::npos; });
  }
  bool startPasteTarget() override {
    pasteTarget = launch({MARBREL_E2E_HELPER, "paste-target", scratchDir() + "/pasted.txt"}, "paste-target.log",
                         {{"QT_QPA_PLATFORM", "wayland"}});
    return waitFor([&] {
      if (desktop.compositor == Compositor::sway) return wayland->focusedWindow() == "MarbrelPasteTarget";
      // Its last word says whether it has the keyboard.
      const std::string log = "\n" + readFile(outputDir + "/paste-target.log");
      return log.size() >= 9 && log.compare(log.size() - 9, 9, "\nfocused\n") == 0;
    });
  }

  // wl-copy returns once the copy is the clipboard's, leaving a process that serves it.
  bool wlCopy(const std::string& text) {
    return run({"sh", "-c", "exec wl-copy \"$0\" > /dev/null 2>&1", text}).exitCode == 0;
  }
  std::string wlPaste() { return run({"wl-paste", "--no-newline"}, 10s).out; }
  bool menuHasKeyboard(std::chrono::milliseconds timeout = 20s) {
    return waitFor([&] { return wayland->focusedWindow() == "Marbrel Menu"; }, timeout);
  }
  // Opens the menu as the desktop's shortcut does: sway's binding runs marbrel; elsewhere the test
  // runs it, with an activation token as a desktop's launcher gives one. Again until the menu has
  // the keyboard.
  bool openByLaunch() {
    for (int attempt = 0; attempt < 3; ++attempt) {
      if (desktop.shortcut && !binding.empty()) {
        key("ctrl+shift+v");
      } else {
        // The launch hands over and ends.
        run({"env", "XDG_ACTIVATION_TOKEN=marbrel-test-" + std::to_string(attempt), MARBREL_EXECUTABLE});
      }
      if (menuHasKeyboard(8s)) return true;
    }
    return false;
  }
  bool type(const std::string& text) const override {
    if (desktop.compositor == Compositor::kwin) return Scenario::type(text);
    return wayland->keys({"-d", "60", text});
  }
  // Presses `keys` as xdotool names them ("Down alt+Return"), all in one go: each chord's modifiers
  // are held around its last key.
  bool key(const std::string& keys) const override {
    std::vector<std::string> xdotool = {"xdotool", "key", "--clearmodifiers"}, wtype;
    std::istringstream chords(keys);
    for (std::string chord; chords >> chord;) {
      xdotool.push_back(chord);
      std::vector<std::string> names;
      std::istringstream parts(chord);
      for (std::string name; std::getline(parts, name, '+');) names.push_back(name);
      for (auto name = names.begin(); name + 1 != names.end(); ++name) wtype.insert(wtype.end(), {"-M", *name});
      wtype.insert(wtype.end(), {"-k", names.back()});
      for (auto name = names.rbegin() + 1; name != names.rend(); ++name) wtype.insert(wtype.end(), {"-m", *name});
    }
    return desktop.compositor == Compositor::kwin ? run(xdotool).exitCode == 0 : wayland->keys(wtype);
  }
  CommandResult busCall(const std::string& destination, const std::string& path, const std::string& method,
                        std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), {"dbus-send", "--session", "--print-reply", "--dest=" + destination, path, method});
    return run(arguments, 10s);
  }
  // The first item registered with the tray host's watcher, as "bus-name/path"; empty when none.
  std::string registeredItem() {
    const std::string reply = busCall("org.kde.StatusNotifierWatcher", "/StatusNotifierWatcher",
                                      "org.freedesktop.DBus.Properties.Get",
                                      {"string:org.kde.StatusNotifierWatcher", "string:RegisteredStatusNotifierItems"})
                                  .out;
    const std::size_t open = reply.find("string \"");
    return open == std::string::npos ? "" : reply.substr(open + 8, reply.find('"', open + 8) - open - 8);
  }
  // What a tray host sends for a click on the icon: "Activate" (left) or "ContextMenu" (right).
  bool click(const std::string& item, const std::string& method) {
    const std::size_t slash = item.find('/');
    return busCall(item.substr(0, slash), item.substr(slash), "org.kde.StatusNotifierItem." + method,
                   {"int32:1900", "int32:10"}).exitCode == 0;
  }

  const Desktop desktop = GetParam();
  std::string binding = "ctrl+shift+v";     // sway's key that runs marbrel; none when empty
  std::unique_ptr<WaylandSession> wayland;  // stopped after the programs in it, which TearDown() stops
};

// Under sway alone, where a keyboard of another layout can join the seat (the virtual-keyboard protocol).
struct WaylandKeyboardScenario : WaylandScenario {
  // Sway's binding would catch the terminals' Ctrl+Shift+V too: here a launch opens the menu.
  WaylandKeyboardScenario() { tools = {"foot", "xmodmap"}; binding.clear(); }
  // Types Linux key codes on a Dvorak keyboard, which then is the seat's keyboard.
  bool typeOnDvorak(const std::string& keys) {
    return run({MARBREL_E2E_HELPER, "keyboard", "us", "dvorak", keys}).exitCode == 0;
  }
};

TEST_P(WaylandScenario, NativeCopiesAreRecordedWithTheirFormatsQuickOnesBothSecretOnesNeverAndSurviveAKill) {
  // What the doctor finds here, and what the running program says it uses.
  const CommandResult r = run({MARBREL_EXECUTABLE, "doctor"}, 30s);
  EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
  auto lines = doctorLines(r.out);
  EXPECT_EQ(lines["session"].rfind("Wayland (WAYLAND_DISPLAY=wayland-", 0), 0u) << lines["session"];
  EXPECT_NE(lines["session"].find(", XWayland on :"), std::string::npos) << lines["session"];
  EXPECT_EQ(lines["clipboard capture"], desktop.capture);
  EXPECT_EQ(lines["copy back"], desktop.copyBack);
  EXPECT_EQ(lines["paste"].rfind(desktop.paste, 0), 0u) << lines["paste"];
  EXPECT_EQ(lines["paste keys"].rfind(desktop.pasteKeys, 0), 0u) << lines["paste keys"];
  EXPECT_EQ(lines["global shortcut"],
            "desktop binding needed; to fix: bind a key to the command marbrel in the desktop's keyboard settings "
            "(README, Desktops)");
  EXPECT_EQ(lines["tray host"].rfind("none: no tray icon; to fix: ", 0), 0u) << lines["tray host"];
  EXPECT_NE(lines["running program"].find("clipboard"), std::string::npos) << lines["running program"];

  ASSERT_TRUE(wlCopy("plain words"));
  ASSERT_TRUE(waitForEntry("plain words"));
  std::size_t recorded = 1;
  if (desktop.nativeKeys) {
    ASSERT_TRUE(wayland->copy({{"text/plain", "rich words"}, {"text/html", "<b>rich</b> words"}}));
    ASSERT_TRUE(waitForEntry("rich words"));
    EXPECT_TRUE(contains(typesOf(entryTitled("rich words")), "text/html"));
    ASSERT_TRUE(wayland->copy({{"text/plain", "hunter2-secret"}, {"x-kde-passwordManagerHint", "secret"}}));
    recorded = 2;
  }
  ASSERT_TRUE(wlCopy("after the secret"));
  ASSERT_TRUE(waitForEntry("after the secret"));
  EXPECT_TRUE(entryTitled("hunter2-secret").is_null());
  EXPECT_EQ(history().size(), ++recorded);

  ASSERT_TRUE(wlCopy("first of two"));
  std::this_thread::sleep_for(300ms);  // the gap between the copies is what is tested, not a wait
  ASSERT_TRUE(wlCopy("second of two"));
  ASSERT_TRUE(waitForEntry("second of two"));
  EXPECT_TRUE(waitForEntry("first of two"));

  // Killed and started again, the program has lost nothing, records on, and does not take what the
  // clipboard held at its start for a new copy.
  ::kill(marbrel->pid(), SIGKILL);
  ASSERT_TRUE(waitFor([&] { return !marbrel->running(); }));
  ASSERT_TRUE(startMarbrel());
  ASSERT_TRUE(wlCopy("after the restart"));
  ASSERT_TRUE(waitForEntry("after the restart"));
  EXPECT_EQ(history().size(), recorded + 3);
  EXPECT_EQ(copiesOf("second of two"), 1);
}

TEST_P(WaylandScenario, TheChosenEntryReachesWaylandProgramsAStalledCopyFreezesNothingAndALateBarGetsTheIcon) {
  for (const char* text : {"alpha one", "beta two"}) ASSERT_TRUE(wlCopy(text) && waitForEntry(text)) << text;
  ASSERT_TRUE(openByLaunch()) << "a launch opens the menu with the keyboard";
  EXPECT_TRUE(waitFor([&] { return screenshot("opened"); })) << "the menu is drawn";
  key("Down alt+Return");
  EXPECT_TRUE(waitForMenuClosed());
  EXPECT_TRUE(waitFor([&] { return wlPaste() == "alpha one"; })) << "wl-paste: '" << wlPaste() << "'";
  // The copy is one like any other: merged into the entry it came from.
  ASSERT_TRUE(waitFor([&] { return copiesOf("alpha one") == 2; }));

  // Mutter offers no other way to a native window than the desktop's RemoteDesktop portal: the real
  // frontend on the session's bus, which the running program finds there, with the test's backend
  // in GNOME's place. The window in front is not known there, so the paste is Control+V.
  std::optional<PortalBus> portal;
  if (desktop.portalPaste) {
    portal.emplace(outputDir + "/portal", *wayland);
    ASSERT_EQ(portal->problem(), "");
    ASSERT_TRUE(portal->waitForCalls("GlobalShortcuts.BindShortcuts", 1)) << "the program found the portal";
  }
  if (desktop.compositor == Compositor::kwin) {
    // As the package's entry does for the installed program. KWin reads its service cache again
    // a moment later, and offers fake input to programs that connect from then on.
    ASSERT_TRUE(wayland->authorise(MARBREL_PROGRAM));
    ASSERT_TRUE(waitFor([&] {
      marbrel->stop();
      return startMarbrel() && marbrelLog().find("paste through org_kde_kwin_fake_input") != std::string::npos;
    }, 40s)) << "see " << outputDir;
  }
  if (desktop.nativePaste || portal) {
    ASSERT_TRUE(startPasteTarget());
    ASSERT_TRUE(openByLaunch());
    EXPECT_TRUE(filter("alp"));  // down to "alpha one"
    EXPECT_TRUE(pasteChosen("alpha one")) << "pasted: '" << pastedText() << "'";
    if (portal) {
      EXPECT_TRUE(waitFor([&] { return portal->keysyms().size() >= kControlV.size(); })) << "see " << outputDir;
      EXPECT_EQ(portal->keysyms(), kControlV);
    }
    if (desktop.compositor == Compositor::sway) {
      EXPECT_EQ(wayland->focusedWindow(), "MarbrelPasteTarget") << "the keyboard went back to the window";
    }
    if (desktop.nativePaste) EXPECT_TRUE(waitFor([&] { return copiesOf("alpha one") == 3; }));
  }

  if (desktop.nativeKeys) {
    ASSERT_TRUE(wayland->copy({{"text/plain", ""}}, true));
    ASSERT_TRUE(waitFor([&] { return wayland->lastCopierOutput().find("asked") != std::string::npos; }))
        << "Marbrel asks the owner for its bytes";
  }
  // While an owner hangs and a native window has the keyboard, the menu opens with the keyboard,
  // filters and closes as ever.
  if (!pasteTarget) ASSERT_TRUE(startPasteTarget());
  key("End");  // the window in front had the latest input
  ASSERT_TRUE(openByLaunch());
  EXPECT_TRUE(filter("bet"));
  EXPECT_TRUE(closeMenu());
  ASSERT_TRUE(wlCopy("after the stall"));
  EXPECT_TRUE(waitForEntry("after the stall"));
  EXPECT_EQ(history().size(), 3u) << "the stalled copy is given up, nothing else";

  if (!desktop.tray) return;
  // The bar starts after Marbrel, as at log-in or when sway reloads its configuration.
  owners.push_back(launch({"swaybar", "-b", "tray"}, "swaybar.log"));
  std::string item;
  ASSERT_TRUE(waitFor([&] { return !(item = registeredItem()).empty(); })) << "the icon never reached the tray";
  ASSERT_TRUE(click(item, "Activate"));
  ASSERT_TRUE(menuHasKeyboard());
  EXPECT_TRUE(filter("alp"));
  key("alt+Return");
  EXPECT_TRUE(waitForMenuClosed());
  EXPECT_TRUE(waitFor([&] { return wlPaste() == "alpha one"; })) << "wl-paste: '" << wlPaste() << "'";
  // A right click opens the same menu; Escape closes it.
  ASSERT_TRUE(click(item, "ContextMenu"));
  ASSERT_TRUE(menuHasKeyboard());
  EXPECT_TRUE(closeMenu());
}

// The virtual keyboard types through its own keymap, which has "v" at the V position: under a
// Dvorak keyboard, whose "v" is on the period key, Marbrel must still press its own V (it pressed
// the period key, which its keymap lacks, and nothing was pasted). foot, found by its app id,
// pastes with Ctrl+Shift+V (Ctrl+V typed ^V into it).
TEST_P(WaylandKeyboardScenario, UnderADvorakKeyboardTheEntryIsPastedIntoAQtWindowAndIntoFoot) {
  ASSERT_TRUE(wlCopy("typed under dvorak") && waitForEntry("typed under dvorak"));
  ASSERT_TRUE(startPasteTarget());
  ASSERT_TRUE(typeOnDvorak("42"));  // Left Shift
  ASSERT_TRUE(waitFor([&] { return run({"xmodmap", "-pke"}).out.find("keycode  60 = v V") != std::string::npos; }))
      << "XWayland took the Dvorak keymap";
  ASSERT_TRUE(openByLaunch());
  ASSERT_TRUE(typeOnDvorak("28"));  // Return
  EXPECT_TRUE(waitForMenuClosed());
  EXPECT_TRUE(waitFor([&] { return pastedText() == "typed under dvorak"; })) << "pasted: '" << pastedText() << "'";

  const std::string received = scratchDir() + "/foot.txt";
  ASSERT_EQ(run({"sh", "-c", "printf '#!/bin/sh\\nstty -icanon -echo\\nexec cat > %s\\n' \"$0\" > \"$0.sh\" && chmod +x \"$0.sh\"",
                 received}).exitCode, 0);
  owners.push_back(launch({"foot", "-T", "MarbrelFoot", received + ".sh"}, "foot.log"));
  ASSERT_TRUE(waitFor([&] { return wayland->focusedWindow() == "MarbrelFoot" && run({"test", "-e", received}).exitCode == 0; }))
      << "see " << outputDir;
  ASSERT_TRUE(openByLaunch());
  ASSERT_TRUE(typeOnDvorak("28"));
  EXPECT_TRUE(waitForMenuClosed());
  EXPECT_TRUE(waitFor([&] { return run({"cat", received}).out == "typed under dvorak"; }))
      << "received: '" << run({"cat", received}).out << "'";
}

const auto kCompositorName = [](const ::testing::TestParamInfo<Desktop>& info) { return name(info.param.compositor); };
INSTANTIATE_TEST_SUITE_P(Compositors, WaylandScenario, ::testing::ValuesIn(kDesktops), kCompositorName);
INSTANTIATE_TEST_SUITE_P(Compositors, WaylandKeyboardScenario, ::testing::Values(kDesktops[0]), kCompositorName);

}  // namespace
}  // namespace marbrel::e2e
