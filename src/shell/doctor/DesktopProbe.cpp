#include "shell/doctor/DesktopProbe.h"

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <set>
#include <sys/stat.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDeadlineTimer>
#include <QFile>
#include <QLocalSocket>

#include "core/config/Defaults.h"
#include "core/config/RemoteDesktopGrant.h"
#include "core/history/HistoryStore.h"
#include "launcher/HandOver.h"
#include "shell/SingleInstance.h"
#include "shell/doctor/ConnectionNote.h"
#include "shell/portal/DesktopPortal.h"
#include "shell/x11/X11Connection.h"

#include <wayland-client.h>
#include <xcb/xcb.h>

namespace marbrel {

namespace {

std::string environment(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

// The interfaces the compositor announces, or nothing when it does not answer.
bool waylandGlobals(std::set<std::string>& interfaces) {
  wl_display* display = wl_display_connect(nullptr);
  if (!display) return false;
  wl_registry* registry = wl_display_get_registry(display);
  static const wl_registry_listener listener = {
      [](void* data, wl_registry*, uint32_t, const char* interface, uint32_t) {
        static_cast<std::set<std::string>*>(data)->insert(interface);
      },
      [](void*, wl_registry*, uint32_t) {},
  };
  wl_registry_add_listener(registry, &listener, &interfaces);
  const bool answered = wl_display_roundtrip(display) >= 0;
  wl_registry_destroy(registry);
  wl_display_disconnect(display);
  return answered;
}

struct XFindings {
  bool connected = false;
  bool xtest = false;
  bool systemTray = false;
};

XFindings probeX() {
  XFindings found;
  int screenNumber = 0;
  xcb_connection_t* connection = xcb_connect(nullptr, &screenNumber);
  if (!connection || xcb_connection_has_error(connection)) {
    if (connection) xcb_disconnect(connection);
    return found;
  }
  found.connected = true;
  const char* xtest = "XTEST";
  xcb_query_extension_reply_t* extension =
      xcb_query_extension_reply(connection, xcb_query_extension(connection, std::strlen(xtest), xtest), nullptr);
  found.xtest = extension && extension->present;
  free(extension);
  found.systemTray = X11Connection::hasSystemTray(connection, screenNumber);
  xcb_disconnect(connection);
  return found;
}

// What the program running for this user and display says it uses; empty when none answers soon.
std::string askRunningProgram() {
  const std::string path = handOverSocketPath();
  if (path.empty()) return {};
  QLocalSocket socket;
  socket.connectToServer(QFile::decodeName(QByteArray::fromStdString(path)));
  if (!socket.waitForConnected(1000)) return {};
  socket.write(kDescribeRequest);
  const QDeadlineTimer deadline(3000);
  while (!socket.canReadLine()) {
    if (deadline.hasExpired() || !socket.waitForReadyRead(int(deadline.remainingTime()))) return {};
  }
  const QByteArray answer = socket.readLine().trimmed();
  if (!answer.startsWith(kDescribeAnswerPrefix)) return {};
  return answer.mid(int(sizeof kDescribeAnswerPrefix - 1)).toStdString();
}

// This program's own file (KWin matches it to the Exec of desktop entries).
std::string ownFile() {
  std::error_code error;
  return std::filesystem::read_symlink("/proc/self/exe", error).string();
}

cli::FileProbe probeFile(const std::filesystem::path& path) {
  cli::FileProbe file;
  file.path = path.string();
  struct stat info = {};
  if (::stat(path.c_str(), &info) == 0) {
    file.exists = true;
    file.mode = info.st_mode & 07777;
  }
  if (::stat(path.parent_path().c_str(), &info) == 0) {
    file.folderExists = true;
    file.folderMode = info.st_mode & 07777;
  }
  return file;
}

}  // namespace

cli::DoctorProbe probeDesktop() {
  cli::DoctorProbe probe;
  probe.waylandDisplay = environment("WAYLAND_DISPLAY");
  probe.xDisplay = environment("DISPLAY");
  DesktopOffers& offers = probe.offers;
  offers.session = sessionFromEnvironment(std::getenv("XDG_SESSION_TYPE"), std::getenv("WAYLAND_DISPLAY"),
                                          std::getenv("DISPLAY"));

  if (offers.session == DesktopOffers::Session::wayland) {
    std::set<std::string> globals;
    probe.waylandConnected = waylandGlobals(globals);
    offers.extDataControl = globals.count("ext_data_control_manager_v1") != 0;
    offers.wlrDataControl = globals.count("zwlr_data_control_manager_v1") != 0;
    offers.virtualKeyboard = globals.count("zwp_virtual_keyboard_manager_v1") != 0;
    offers.fakeInput = globals.count("org_kde_kwin_fake_input") != 0;
    probe.foreignToplevel = globals.count("zwlr_foreign_toplevel_manager_v1") != 0;
    probe.plasmaWindows = globals.count("org_kde_plasma_window_management") != 0;
    // Mutter (it alone announces GTK's shell) hands every Wayland selection to XWayland.
    offers.xClipboardSeesWayland = globals.count("gtk_shell1") != 0;
    // KWin: it alone announces its output devices.
    probe.kwin = globals.count("kde_output_device_v2") != 0 || globals.count("org_kde_plasma_shell") != 0;
    probe.programPath = ownFile();
  }
  if (!probe.xDisplay.empty()) {
    const XFindings x = probeX();
    offers.xDisplay = x.connected;
    offers.xtest = x.xtest;
    probe.xSystemTray = x.systemTray;
  }

  const QDBusConnection bus = QDBusConnection::sessionBus();
  probe.busConnected = bus.isConnected();
  if (probe.busConnected) {
    probe.globalShortcutsVersion = desktop_portal::interfaceVersion(bus, desktop_portal::kGlobalShortcuts);
    probe.remoteDesktopVersion = desktop_portal::interfaceVersion(bus, desktop_portal::kRemoteDesktop);
    offers.globalShortcutsPortal = probe.globalShortcutsVersion > 0;
    offers.remoteDesktopPortal = probe.remoteDesktopVersion > 0;
    if (const QDBusConnectionInterface* names = bus.interface()) {
      probe.statusNotifierWatcher = names->isServiceRegistered(QStringLiteral("org.kde.StatusNotifierWatcher"));
    }
  }

  probe.runningProgram = askRunningProgram();
  probe.grantFile = RemoteDesktopGrant::standardFile().string();
  probe.pasteRefused = RemoteDesktopGrant::read(RemoteDesktopGrant::standardFile()).refused;
  if (connection_note::Note note; connection_note::read(note)) {
    probe.connectionLostAt = note.lostAt;
    probe.connectionProblem = note.problem;
    probe.connectionBackAt = note.backAt;
  }
  probe.settings = probeFile(Defaults::standardFile());
  probe.history = probeFile(HistoryStore::standardFile());
  return probe;
}

int runDoctor(int argc, char** argv, const std::vector<std::string>& args) {
  // The session bus needs an application object; no window is shown.
  QCoreApplication application(argc, argv);
  return cli::runDoctorCommand(args, probeDesktop, std::cout, std::cerr);
}

}  // namespace marbrel
