#pragma once

#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

#include "core/app/DesktopRoutes.h"

namespace marbrel::cli {

// `marbrel doctor`: what the running session offers Marbrel, found by probing it, and the verdicts
// drawn from that, one line per service with the one thing the user can do about a missing piece.

// A file Marbrel keeps, as found on disk.
struct FileProbe {
  std::string path;
  bool exists = false;
  unsigned mode = 0;  // permission bits
  bool folderExists = false;
  unsigned folderMode = 0;
};

// What the probes found.
struct DoctorProbe {
  DesktopOffers offers;          // session type, display servers, protocols, portals
  std::string waylandDisplay;    // WAYLAND_DISPLAY, empty when unset
  bool waylandConnected = false; // the compositor accepted a connection
  std::string xDisplay;          // DISPLAY, empty when unset
  bool busConnected = false;     // the session bus accepted a connection
  unsigned globalShortcutsVersion = 0;  // the portals' interface versions, 0 when not offered
  unsigned remoteDesktopVersion = 0;
  bool pasteRefused = false;     // the user refused the RemoteDesktop portal earlier
  bool foreignToplevel = false;  // zwlr_foreign_toplevel_manager_v1: names the window in front
  bool plasmaWindows = false;    // org_kde_plasma_window_management: names it under KWin
  std::string grantFile;         // where that answer is kept
  bool statusNotifierWatcher = false;  // a tray host on the session bus
  bool xSystemTray = false;            // a tray host on the X display
  bool kwin = false;                   // the compositor is KWin (it announces KDE's globals)
  std::string programPath;             // this program's own file, which KWin matches to desktop entries
  std::string runningProgram;          // what the running Marbrel says it uses; empty when none answered
  FileProbe settings;
  FileProbe history;
  // When the running program lost its Wayland connection: when (local time) and why, and when it
  // made it again (empty while it is still lost). All empty when it never lost one.
  std::string connectionLostAt, connectionProblem, connectionBackAt;
};

struct DoctorLine {
  std::string id;     // "session", "capture", "copyBack", "paste", "pasteKeys", "shortcut", "tray", "program",
                      // "settings", "history", and "connection" when the running program lost its Wayland
                      // connection
  std::string label;  // as printed: "clipboard capture"
  std::string value;  // what Marbrel uses, or "none"
  bool ok = true;
  std::string fix;    // the one thing to do, for a missing piece
};

struct DoctorReport {
  std::vector<DoctorLine> lines;
  bool captureWorks = false;
  bool menuWorks = false;
  // The exit status: 0 when capture and the menu work, else 1.
  int exitCode() const { return captureWorks && menuWorks ? 0 : 1; }
};

DoctorReport diagnose(const DoctorProbe& probe);

// "label: value" lines, a missing piece followed by "; to fix: …".
void printText(const DoctorReport& report, std::ostream& out);
// {"ok": …, "captureWorks": …, "menuWorks": …, "checks": [{"id", "label", "value", "ok", "fix"}…]}
void printJson(const DoctorReport& report, std::ostream& out);

// Runs the sub-command: `args` may hold "--json"; `probe` looks at the session once they are valid.
int runDoctorCommand(const std::vector<std::string>& args, const std::function<DoctorProbe()>& probe,
                     std::ostream& out, std::ostream& err);

}  // namespace marbrel::cli
