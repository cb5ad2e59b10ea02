#include "cli/DoctorReport.h"

#include <map>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "cli/CommandLine.h"

namespace marbrel::cli {
namespace {

using Session = DesktopOffers::Session;

// A session's probe with private files in place.
DoctorProbe probeOf(Session session) {
  DoctorProbe probe;
  probe.offers.session = session;
  probe.settings = {"/home/u/.config/marbrel/defaults.json", true, 0600, true, 0700};
  probe.history = {"/home/u/.local/share/marbrel/MarbrelStorage.sqlite", true, 0600, true, 0700};
  probe.grantFile = "/home/u/.config/marbrel/remote-desktop.json";
  if (session == Session::x11) {
    probe.xDisplay = ":0";
    probe.offers.xDisplay = probe.offers.xtest = probe.xSystemTray = true;
  }
  if (session == Session::wayland) {
    probe.waylandDisplay = "wayland-1";
    probe.waylandConnected = true;
    probe.xDisplay = ":1";
    probe.offers.xDisplay = true;
  }
  return probe;
}

DoctorProbe withPortals(DoctorProbe probe, unsigned shortcuts, unsigned remoteDesktop) {
  probe.globalShortcutsVersion = shortcuts;
  probe.remoteDesktopVersion = remoteDesktop;
  probe.offers.globalShortcutsPortal = shortcuts > 0;
  probe.offers.remoteDesktopPortal = remoteDesktop > 0;
  return probe;
}

// Each check's value, and "!" before it when the check failed.
std::map<std::string, std::string> verdicts(const DoctorReport& report) {
  std::map<std::string, std::string> result;
  for (const DoctorLine& line : report.lines) {
    result[line.id] = (line.ok ? "" : "!") + line.value;
    EXPECT_EQ(line.ok, line.fix.empty()) << line.id << ": a failed check says what to do, a passed one does not";
  }
  return result;
}

TEST(DoctorVerdicts, EachSessionGetsTheRoutesMarbrelTakesThereAndAnExitStatusForCaptureAndMenu) {
  struct Row {
    const char* why;
    DoctorProbe probe;
    std::map<std::string, std::string> expected;  // the checks that matter for the row
    int exitCode;
  };
  DoctorProbe bareX = probeOf(Session::x11);
  bareX.offers.xtest = bareX.xSystemTray = false;
  DoctorProbe sway = probeOf(Session::wayland);
  sway.offers.wlrDataControl = sway.offers.virtualKeyboard = sway.foreignToplevel = true;
  DoctorProbe gnome = withPortals(probeOf(Session::wayland), 1, 2);
  gnome.statusNotifierWatcher = true;
  gnome.offers.xClipboardSeesWayland = true;
  DoctorProbe plasma = withPortals(probeOf(Session::wayland), 1, 2);
  plasma.offers.extDataControl = plasma.offers.wlrDataControl = plasma.offers.fakeInput = true;
  plasma.kwin = plasma.plasmaWindows = true;
  DoctorProbe noXWayland = sway;
  noXWayland.xDisplay.clear();
  noXWayland.offers.xDisplay = false;
  DoctorProbe bareGnome = probeOf(Session::wayland);
  bareGnome.offers.xtest = true;
  DoctorProbe lost = sway;
  lost.connectionLostAt = "18:40:02";
  lost.connectionProblem = "Broken pipe";
  DoctorProbe compositorGone = sway;
  compositorGone.waylandConnected = false;

  for (const Row& row : std::vector<Row>{
           {"X11 without XTest or tray: copied only, menu from the shortcut", bareX,
            {{"paste", "!none: entries are copied only (paste them with Ctrl+V)"}, {"tray", "!none: no tray icon"},
             {"pasteKeys", "per program, by the window class of the window in front"}},
            0},
           {"GNOME: no data control, but Mutter hands Wayland copies to XWayland; a tray through the watcher", gnome,
            {{"capture", "X clipboard, with Wayland programs' copies (the compositor hands them to XWayland)"},
             {"copyBack", "X clipboard, handed to Wayland programs by the compositor"},
             {"paste", "portal (RemoteDesktop version 2), offered, not verified"},
             {"pasteKeys", "!Ctrl+V into Wayland programs (the desktop does not say which window is in front); per "
                           "program into X11 ones"},
             {"shortcut", "portal (GlobalShortcuts version 1), offered, not verified"},
             {"tray", "StatusNotifierWatcher"}},
            0},
           {"Plasma: ext before wlr, fake input before the portal, the window in front from its window list", plasma,
            {{"capture", "ext-data-control-v1"}, {"paste", "fake input, offered, not verified"},
             {"pasteKeys", "per program, by the app id of the window in front (Plasma window management)"}},
            0},
           {"a Wayland compositor without data control that keeps Wayland copies from XWayland", bareGnome,
            {{"capture", "!X11 programs only (through XWayland)"},
             {"paste", "!XTest, into X11 programs only (through XWayland)"}, {"shortcut", "!desktop binding needed"}},
            1},
           {"Wayland without XWayland (DISPLAY unset): the program does not start, so nothing works", noXWayland,
            {{"session", "!Wayland (WAYLAND_DISPLAY=wayland-1, no XWayland): Marbrel does not start without it"},
             {"capture", "!none: Marbrel does not start without XWayland"},
             {"pasteKeys", "!none: Marbrel does not start without XWayland"}},
            1},
           {"the running program lost its Wayland connection: capture waits until it is made again", lost,
            {{"capture", "wlr-data-control-unstable-v1"},
             {"pasteKeys", "per program, by the app id of the window in front (wlr foreign toplevel)"},
             {"connection", "!lost at 18:40:02 (Broken pipe); Marbrel is making it again (copies are not recorded meanwhile)"}},
            1},
           {"a compositor that does not answer", compositorGone, {}, 1},
       }) {
    SCOPED_TRACE(row.why);
    const DoctorReport report = diagnose(row.probe);
    const auto found = verdicts(report);
    for (const auto& [id, value] : row.expected) EXPECT_EQ(found.at(id), value) << id;
    EXPECT_EQ(report.exitCode(), row.exitCode);
  }
  const DoctorLine session = diagnose(noXWayland).lines.front();
  EXPECT_NE(session.fix.find("xwayland-satellite"), std::string::npos) << session.fix;
}

TEST(DoctorVerdicts, FilesOthersCouldReadAreFlaggedWithTheCommandThatMendsThem) {
  DoctorProbe probe = probeOf(Session::x11);
  probe.settings.mode = 0644;
  probe.history.folderMode = 0755;
  const DoctorReport report = diagnose(probe);
  std::map<std::string, DoctorLine> lines;
  for (const DoctorLine& line : report.lines) lines[line.id] = line;
  EXPECT_EQ(lines["settings"].fix, "chmod 600 /home/u/.config/marbrel/defaults.json");
  EXPECT_EQ(lines["history"].fix, "chmod 700 /home/u/.local/share/marbrel");
  EXPECT_EQ(report.exitCode(), 0) << "loose permissions are a warning, not a broken session";
}

TEST(DoctorCommand, AWrongArgumentIsRefusedBeforeProbing) {
  std::ostringstream out, err;
  int probes = 0;
  EXPECT_EQ(runDoctorCommand({"--verbose"}, [&] { return ++probes, probeOf(Session::none); }, out, err), kExitUsage);
  EXPECT_EQ(probes, 0);
  EXPECT_NE(err.str().find("usage: marbrel doctor"), std::string::npos) << err.str();
}

TEST(SessionType, WaylandWhenTheSessionSaysSoOrACompositorIsNamedElseX11WhenADisplayIs) {
  EXPECT_EQ(sessionFromEnvironment("wayland", nullptr, ":0"), Session::wayland);
  EXPECT_EQ(sessionFromEnvironment(nullptr, "wayland-1", ":0"), Session::wayland);
  EXPECT_EQ(sessionFromEnvironment("x11", "", ":0"), Session::x11);
  EXPECT_EQ(sessionFromEnvironment("tty", nullptr, nullptr), Session::none);
  EXPECT_EQ(sessionFromEnvironment(nullptr, nullptr, ""), Session::none);
}

}  // namespace
}  // namespace marbrel::cli
