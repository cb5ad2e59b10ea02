#include "support/XSession.h"

#include <filesystem>

namespace marbrel::e2e {

XSession::XSession(const std::string& logDir, int width, int height, int monitors) : logDir_(logDir) {
  std::filesystem::create_directories(logDir_);
  home_ = folder_.path().string();
  for (const char* sub : {"/config", "/data", "/runtime"}) std::filesystem::create_directories(home_ + sub);
  std::filesystem::permissions(home_ + "/runtime", std::filesystem::perms::owner_all);
  // The server writes its display number to a file once it accepts clients.
  const std::string screen = std::to_string(width * monitors) + "x" + std::to_string(height) + "x24";
  const std::string numberFile = home_ + "/display";
  server_ = std::make_unique<Process>(
      std::vector<std::string>{"sh", "-c", "exec Xvfb -displayfd 3 -screen 0 " + screen + " -nolisten tcp -noreset 3>" + numberFile},
      std::map<std::string, std::string>{}, logDir_ + "/xvfb.log");
  if (!waitFor([&] { return readFile(numberFile).find('\n') != std::string::npos; }, std::chrono::seconds(30))) return;
  const std::string number = readFile(numberFile);
  display_ = ":" + number.substr(0, number.find('\n'));
  // Xvfb's one output ("screen") shows the first monitor; the others show none.
  for (int monitor = 0; monitor < monitors && monitors > 1; ++monitor) {
    const std::string geometry = std::to_string(width) + "/339x" + std::to_string(height) + "/212+" +
                                 std::to_string(width * monitor) + "+0";
    if (run({"xrandr", "--setmonitor", "monitor" + std::to_string(monitor), geometry, monitor == 0 ? "screen" : "none"})
            .exitCode != 0) {
      display_.clear();
    }
  }
}

std::map<std::string, std::string> XSession::environment() const {
  return {{"DISPLAY", display_},
          {"XDG_CONFIG_HOME", home_ + "/config"},
          {"XDG_DATA_HOME", home_ + "/data"},
          {"XDG_RUNTIME_DIR", home_ + "/runtime"},
          {"QT_QPA_PLATFORM", "xcb"},
          // No desktop bus: Qt then draws the tray icon through the X tray protocol.
          {"DBUS_SESSION_BUS_ADDRESS", "disabled:"},
          {"-WAYLAND_DISPLAY", ""}};
}

bool XSession::startTray() {
  if (!ok()) return false;
  tray_ = std::make_unique<Process>(
      std::vector<std::string>{"trayer", "--edge", "top", "--align", "right", "--widthtype", "request",
                               "--height", "24", "--transparent", "false", "--SetDockType", "false"},
      environment(), logDir_ + "/tray.log");
  return waitFor([this] { return !run({"xdotool", "search", "--classname", "trayer"}).out.empty(); });
}

}  // namespace marbrel::e2e
