#include "cli/DoctorReport.h"

#include <cstdio>
#include <ostream>

#include <nlohmann/json.hpp>

#include "cli/CommandLine.h"

namespace marbrel::cli {

namespace {

using Session = DesktopOffers::Session;

// The desktop program's windows and key grabs are X11's: in a Wayland session without XWayland it
// says so and exits at start, so nothing it would do there works.
constexpr char kWithoutXWayland[] = "none: Marbrel does not start without XWayland";
constexpr char kXWaylandFix[] =
    "install XWayland and turn it on in the compositor so that DISPLAY is set in the session (niri: install "
    "xwayland-satellite); Marbrel's menu and windows are X11 windows";

bool lacksXWayland(const DoctorProbe& probe) {
  return probe.offers.session == Session::wayland && probe.waylandConnected && !probe.offers.xDisplay;
}

// A line for something the program would do, were it able to start.
bool refusedWithoutX(const DoctorProbe& probe, DoctorLine& line) {
  if (!lacksXWayland(probe)) return false;
  line.value = kWithoutXWayland;
  line.ok = false;
  line.fix = kXWaylandFix;
  return true;
}

std::string octal(unsigned mode) {
  char text[8];
  std::snprintf(text, sizeof text, "%04o", mode & 07777);
  return text;
}

DoctorLine sessionLine(const DoctorProbe& probe) {
  DoctorLine line{"session", "session", "", true, ""};
  switch (probe.offers.session) {
    case Session::x11:
      line.value = "X11 (DISPLAY=" + probe.xDisplay + ")";
      if (!probe.offers.xDisplay) {
        line.ok = false;
        line.value += ", but the X server does not answer";
        line.fix = "check that DISPLAY names the running X server";
      }
      break;
    case Session::wayland:
      line.value = "Wayland (WAYLAND_DISPLAY=" + (probe.waylandDisplay.empty() ? std::string("unset") : probe.waylandDisplay);
      line.value += probe.offers.xDisplay ? ", XWayland on " + probe.xDisplay + ")" : ", no XWayland)";
      if (!probe.waylandConnected) {
        line.ok = false;
        line.fix = "run marbrel doctor inside the Wayland session (the compositor did not answer)";
      } else if (!probe.offers.xDisplay) {
        line.ok = false;
        line.value += ": Marbrel does not start without it";
        line.fix = kXWaylandFix;
      }
      break;
    case Session::none:
      line.value = "none (neither DISPLAY nor WAYLAND_DISPLAY is set)";
      line.ok = false;
      line.fix = "run Marbrel inside a desktop session";
      break;
  }
  return line;
}

DoctorLine captureLine(const DoctorProbe& probe, bool& works) {
  DoctorLine line{"capture", "clipboard capture", "", true, ""};
  const CaptureRoute route = captureRoute(probe.offers);
  line.value = std::string(name(route));
  works = route != CaptureRoute::none;
  if (probe.offers.session == Session::wayland && route == CaptureRoute::x11 && probe.offers.xClipboardSeesWayland) {
    line.value = "X clipboard, with Wayland programs' copies (the compositor hands them to XWayland)";
  } else if (probe.offers.session == Session::wayland && route == CaptureRoute::x11) {
    // XWayland sees the clipboard only while an X11 window has the keyboard.
    works = false;
    line.value = "X11 programs only (through XWayland)";
    line.fix = "use a compositor that offers a data-control protocol (sway, Hyprland, labwc, river, Plasma 6): "
               "copies made in Wayland programs are not recorded here";
  } else if (route == CaptureRoute::none) {
    line.fix = probe.offers.session == Session::none ? "run Marbrel inside a desktop session"
                                                     : "use a compositor that offers a data-control protocol";
  }
  line.ok = works;
  if (refusedWithoutX(probe, line)) works = false;
  return line;
}

DoctorLine copyBackLine(const DoctorProbe& probe) {
  DoctorLine line{"copyBack", "copy back", "", true, ""};
  const CaptureRoute route = captureRoute(probe.offers);
  line.value = std::string(name(route));
  if (probe.offers.session == Session::wayland && route == CaptureRoute::x11 && probe.offers.xClipboardSeesWayland) {
    line.value = "X clipboard, handed to Wayland programs by the compositor";
  } else if (probe.offers.session == Session::wayland && route == CaptureRoute::x11) {
    line.value = "X11 programs only (through XWayland)";
    line.ok = false;
    line.fix = "use a compositor that offers a data-control protocol";
  } else if (route == CaptureRoute::none) {
    line.ok = false;
    line.fix = "run Marbrel inside a desktop session";
  }
  refusedWithoutX(probe, line);
  return line;
}

// Said of a way that is offered but whose use the desktop decides only when it is used (a portal that
// asks the user, a compositor that may turn the keyboard away): nothing outside can know beforehand.
constexpr char kNotVerified[] = ", offered, not verified";

DoctorLine pasteLine(const DoctorProbe& probe) {
  DoctorLine line{"paste", "paste", "", true, ""};
  const PasteRoute route = pasteRoute(probe.offers);
  line.value = std::string(name(route));
  const bool kwinRefuses = probe.kwin && !probe.offers.fakeInput;
  if (route == PasteRoute::portal) {
    line.value += " (RemoteDesktop version " + std::to_string(probe.remoteDesktopVersion) + ")";
    if (probe.pasteRefused) {
      line.ok = false;
      line.value += ", refused: entries are copied only";
      line.fix = "delete " + probe.grantFile + ", then paste again to be asked again";
    } else {
      line.value += kNotVerified;
    }
  } else if (route == PasteRoute::virtualKeyboard || route == PasteRoute::fakeInput) {
    line.value += kNotVerified;
  } else if (route == PasteRoute::none && kwinRefuses) {
    // KWin offers its fake input only to a program whose own file is the Exec of a desktop entry
    // naming the interface: the package's entry names the installed program.
    line.ok = false;
    line.value = "none: KWin offers fake input only to the installed program, not to " + probe.programPath;
    line.fix = "run the installed marbrel (the package's entry org.marbrel.Marbrel.KWinInput.desktop authorises "
               "it; run kbuildsycoca5 or log in again after installing), or install xdg-desktop-portal with "
               "KDE's backend";
  } else if (route == PasteRoute::xtest && probe.offers.session == Session::wayland) {
    line.ok = false;
    line.value = "XTest, into X11 programs only (through XWayland)";
    line.fix = "install xdg-desktop-portal with your desktop's backend (it offers RemoteDesktop)";
  } else if (route == PasteRoute::none) {
    line.ok = false;
    line.value = "none: entries are copied only (paste them with Ctrl+V)";
    switch (probe.offers.session) {
      case Session::x11: line.fix = "use an X server with the XTest extension"; break;
      case Session::wayland:
        line.fix = "install xdg-desktop-portal with your desktop's backend (it offers RemoteDesktop), or use a "
                   "compositor with the virtual-keyboard protocol (sway, Hyprland)";
        break;
      case Session::none: line.fix = "run Marbrel inside a desktop session"; break;
    }
  }
  refusedWithoutX(probe, line);
  return line;
}

// Which program is in front decides the paste combination (terminals paste with their own).
DoctorLine pasteKeysLine(const DoctorProbe& probe) {
  DoctorLine line{"pasteKeys", "paste keys", "", true, ""};
  if (refusedWithoutX(probe, line)) return line;
  const bool dataControl = probe.offers.extDataControl || probe.offers.wlrDataControl;
  if (probe.offers.session == Session::x11) {
    line.value = "per program, by the window class of the window in front";
  } else if (probe.offers.session == Session::wayland && probe.foreignToplevel && dataControl) {
    line.value = "per program, by the app id of the window in front (wlr foreign toplevel)";
  } else if (probe.offers.session == Session::wayland && probe.plasmaWindows && dataControl) {
    line.value = "per program, by the app id of the window in front (Plasma window management)";
  } else if (probe.offers.session == Session::wayland && probe.kwin && dataControl) {
    // KWin names its windows only to a program a desktop entry authorises, as for its fake input.
    line.ok = false;
    line.value = "Ctrl+V into Wayland programs (KWin names the window in front only to the installed program, not "
                 "to " + probe.programPath + "); per program into X11 ones";
    line.fix = "run the installed marbrel (the package's entry org.marbrel.Marbrel.KWinInput.desktop authorises "
               "it; run kbuildsycoca5 or log in again after installing)";
  } else if (probe.offers.session == Session::wayland) {
    line.ok = false;
    line.value = "Ctrl+V into Wayland programs (the desktop does not say which window is in front); per program "
                 "into X11 ones";
    line.fix = "in a terminal, copy the entry only (Alt+Return) and paste it with the terminal's own key";
  } else {
    line.value = "Ctrl+V";
  }
  return line;
}

DoctorLine shortcutLine(const DoctorProbe& probe) {
  DoctorLine line{"shortcut", "global shortcut", "", true, ""};
  const ShortcutRoute route = shortcutRoute(probe.offers);
  line.value = std::string(name(route));
  if (route == ShortcutRoute::portal) {
    line.value += " (GlobalShortcuts version " + std::to_string(probe.globalShortcutsVersion) + ")" + kNotVerified;
  } else if (route == ShortcutRoute::desktopBinding) {
    line.ok = false;
    line.fix = probe.offers.session == Session::none
                   ? "run Marbrel inside a desktop session"
                   : "bind a key to the command marbrel in the desktop's keyboard settings (README, Desktops)";
  }
  return line;
}

DoctorLine trayLine(const DoctorProbe& probe) {
  DoctorLine line{"tray", "tray host", "", true, ""};
  if (probe.statusNotifierWatcher) {
    line.value = "StatusNotifierWatcher";
  } else if (probe.xSystemTray) {
    line.value = "X11 system tray";
  } else {
    line.ok = false;
    line.value = "none: no tray icon";
    line.fix = probe.offers.session == Session::none
                   ? "run Marbrel inside a desktop session"
                   : "open the menu with the shortcut, or add a tray to the panel (GNOME: the AppIndicator extension)";
  }
  return line;
}

// Only when the running program lost its Wayland connection: it makes it again by itself.
DoctorLine connectionLine(const DoctorProbe& probe) {
  DoctorLine line{"connection", "Wayland connection", "", true, ""};
  line.value = "lost at " + probe.connectionLostAt +
               (probe.connectionProblem.empty() ? std::string() : " (" + probe.connectionProblem + ")");
  if (!probe.connectionBackAt.empty()) {
    line.value += ", made again at " + probe.connectionBackAt;
  } else {
    line.ok = false;
    line.value += "; Marbrel is making it again (copies are not recorded meanwhile)";
    line.fix = "wait: Marbrel tries again by itself, at least every 30 s; if the compositor runs and copies are "
               "still not recorded, restart Marbrel";
  }
  return line;
}

DoctorLine programLine(const DoctorProbe& probe) {
  // What a running program answered over its single-instance socket: the adapters it chose.
  return {"program", "running program", probe.runningProgram.empty() ? "not running" : probe.runningProgram, true, ""};
}

DoctorLine fileLine(const char* id, const char* label, const FileProbe& file) {
  DoctorLine line{id, label, file.path, true, ""};
  if (!file.exists) {
    line.value += " (not there yet: Marbrel makes it at its first start)";
    return line;
  }
  line.value += " (" + octal(file.mode) + ", folder " + octal(file.folderMode) + ")";
  if (file.mode & 077) {
    line.ok = false;
    line.fix = "chmod 600 " + file.path;
  } else if (file.folderExists && (file.folderMode & 077)) {
    const auto slash = file.path.rfind('/');
    line.ok = false;
    line.fix = "chmod 700 " + (slash == std::string::npos ? std::string(".") : file.path.substr(0, slash));
  }
  return line;
}

}  // namespace

DoctorReport diagnose(const DoctorProbe& probe) {
  DoctorReport report;
  const DoctorLine session = sessionLine(probe);
  report.lines.push_back(session);
  report.lines.push_back(captureLine(probe, report.captureWorks));
  if (!probe.connectionLostAt.empty()) {
    report.lines.push_back(connectionLine(probe));
    if (!report.lines.back().ok) report.captureWorks = false;
  }
  report.lines.push_back(copyBackLine(probe));
  report.lines.push_back(pasteLine(probe));
  report.lines.push_back(pasteKeysLine(probe));
  report.lines.push_back(shortcutLine(probe));
  report.lines.push_back(trayLine(probe));
  report.lines.push_back(fileLine("settings", "settings", probe.settings));
  report.lines.push_back(fileLine("history", "history", probe.history));
  report.lines.push_back(programLine(probe));
  // The menu is drawn on the X server (X11, or XWayland), and opened from the tray, the shortcut or a
  // second launch: it works wherever that server answers.
  report.menuWorks = probe.offers.xDisplay && (probe.offers.session != Session::wayland || probe.waylandConnected);
  return report;
}

void printText(const DoctorReport& report, std::ostream& out) {
  for (const DoctorLine& line : report.lines) {
    out << line.label << ": " << line.value;
    if (!line.ok && !line.fix.empty()) out << "; to fix: " << line.fix;
    out << '\n';
  }
  out << (report.exitCode() == 0 ? "Marbrel can record the clipboard and open its menu here.\n"
                                  : "Marbrel cannot work fully here: see the fixes above.\n");
}

void printJson(const DoctorReport& report, std::ostream& out) {
  nlohmann::json checks = nlohmann::json::array();
  for (const DoctorLine& line : report.lines) {
    nlohmann::json check = {{"id", line.id}, {"label", line.label}, {"value", line.value}, {"ok", line.ok}};
    if (!line.ok && !line.fix.empty()) check["fix"] = line.fix;
    checks.push_back(std::move(check));
  }
  const nlohmann::json json = {{"ok", report.exitCode() == 0},
                               {"captureWorks", report.captureWorks},
                               {"menuWorks", report.menuWorks},
                               {"checks", std::move(checks)}};
  out << json.dump(2) << '\n';
}

int runDoctorCommand(const std::vector<std::string>& args, const std::function<DoctorProbe()>& probe,
                     std::ostream& out, std::ostream& err) {
  bool json = false;
  for (const std::string& arg : args) {
    if (arg == "--json") {
      json = true;
    } else if (arg == "--help" || arg == "-h") {
      out << "usage: marbrel doctor [--json]\n";
      return kExitOk;
    } else {
      err << "marbrel doctor: unknown argument '" << arg << "'\nusage: marbrel doctor [--json]\n";
      return kExitUsage;
    }
  }
  const DoctorReport report = diagnose(probe());
  if (json) {
    printJson(report, out);
  } else {
    printText(report, out);
  }
  return report.exitCode();
}

}  // namespace marbrel::cli
