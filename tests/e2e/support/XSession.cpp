#include "support/XSession.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <unistd.h>

namespace marbrel::e2e {

namespace {

std::string makeTempDir(const std::string& prefix) {
  std::string pattern = (std::filesystem::temp_directory_path() / (prefix + "XXXXXX")).string();
  if (!::mkdtemp(pattern.data())) return {};
  return pattern;
}

}  // namespace

XSession::XSession(const std::string& logDir, int width, int height, int monitors) : logDir_(logDir) {
  std::filesystem::create_directories(logDir_);
  home_ = makeTempDir("marbrel-e2e-");
  std::filesystem::create_directories(home_ + "/config");
  std::filesystem::create_directories(home_ + "/data");
  std::filesystem::create_directories(home_ + "/runtime");
  std::filesystem::permissions(home_ + "/runtime", std::filesystem::perms::owner_all);
  // The server writes its display number to a file once it accepts clients.
  monitors = std::max(monitors, 1);
  const std::string screen = std::to_string(width * monitors) + "x" + std::to_string(height) + "x24";
  const std::string numberFile = home_ + "/display";
  server_ = std::make_unique<Process>(
      std::vector<std::string>{"sh", "-c", "exec Xvfb -displayfd 3 -screen 0 " + screen + " -nolisten tcp -noreset 3>" + numberFile},
      std::map<std::string, std::string>{}, logDir_ + "/xvfb.log");
  if (!waitFor([&] { return readFile(numberFile).find('\n') != std::string::npos; }, std::chrono::seconds(30))) return;
  const std::string number = readFile(numberFile);
  display_ = ":" + number.substr(0, number.find('\n'));
  // The screen's one output ("screen") shows the first monitor; the others show none, as Xvfb has
  // one output. Monitors are what programs place windows by.
  for (int monitor = 0; monitor < monitors && monitors > 1; ++monitor) {
    const std::string geometry = std::to_string(width) + "/339x" + std::to_string(height) + "/212+" +
                                 std::to_string(width * monitor) + "+0";
    const std::string name = "monitor" + std::to_string(monitor);
    if (run({"xrandr", "--setmonitor", name, geometry, monitor == 0 ? "screen" : "none"}).exitCode != 0) {
      display_.clear();
      return;
    }
  }
}

XSession::~XSession() {
  tray_.reset();
  server_.reset();
  if (!home_.empty()) {
    std::error_code error;
    std::filesystem::remove_all(home_, error);
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
  // The tray is up once some client owns the tray selection of screen 0.
  return waitFor([this] {
    const CommandResult owner = run({"sh", "-c", "xdotool search --classname trayer 2>/dev/null | head -1"});
    return !owner.out.empty();
  });
}

CommandResult XSession::run(const std::vector<std::string>& argv, std::chrono::milliseconds timeout) const {
  return runCommand(argv, environment(), timeout);
}

int XSession::colourCount(const std::string& file) {
  const CommandResult r = runCommand({"identify", "-format", "%k", file}, {}, std::chrono::seconds(30));
  if (r.exitCode != 0) return 0;
  return std::atoi(r.out.c_str());
}

}  // namespace marbrel::e2e
