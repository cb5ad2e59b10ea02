#include "support/MarbrelSession.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace marbrel::e2e {

MarbrelSession::MarbrelSession(const std::string& name, Tray tray, int monitors)
    : outputDir_(std::string(MARBREL_E2E_OUTPUT) + "/" + name) {
  std::error_code error;
  std::filesystem::remove_all(outputDir_, error);
  std::filesystem::create_directories(outputDir_);
  for (const char* tool : {"Xvfb", "xdotool", "xclip", "trayer", "import", "identify"}) {
    if (!haveProgram(tool)) {
      problem_ = std::string("missing tool: ") + tool;
      return;
    }
  }
  if (monitors > 1 && !haveProgram("xrandr")) {
    problem_ = "missing tool: xrandr";
    return;
  }
  x_ = std::make_unique<XSession>(outputDir_, 1280, 800, monitors);
  if (!x_->ok()) {
    problem_ = "Xvfb did not start";
    return;
  }
  if (tray == Tray::atStart && !startTray()) problem_ = "the tray host did not start";
}

bool MarbrelSession::startTray() {
  trayRunning_ = x_->startTray();
  return trayRunning_;
}

std::string MarbrelSession::trayIcon() {
  // The icon is a window of class "marbrel" named "Marbrel" (the menu is "Marbrel Menu").
  std::istringstream ids(x_->run({"xdotool", "search", "--classname", "marbrel"}).out);
  for (std::string id; std::getline(ids, id);) {
    if (!id.empty() && x_->run({"xdotool", "getwindowname", id}).out == "Marbrel\n") return id;
  }
  return {};
}

std::string MarbrelSession::openMenuWith(const std::string& keys) {
  // On a busy machine a key press can be lost while the previous menu's grab is still being
  // released, or before the program has grabbed the shortcut: press again when no menu shows
  // within a few seconds.
  for (int attempt = 0; attempt < 4; ++attempt) {
    key(keys);
    if (waitFor([&] { return !x_->findWindows("^Marbrel Menu$").empty(); }, std::chrono::seconds(6))) {
      return waitForMenu();
    }
  }
  return {};
}

MarbrelSession::~MarbrelSession() {
  // Programs first, the X server last.
  pasteTarget_.reset();
  owners_.clear();
  marbrel_.reset();
  x_.reset();
}

bool MarbrelSession::startMarbrel(const std::vector<std::string>& arguments,
                                  const std::map<std::string, std::string>& environment) {
  std::vector<std::string> argv = {MARBREL_EXECUTABLE};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  std::map<std::string, std::string> env = x_->environment();
  for (const auto& [key, value] : environment) env[key] = value;
  marbrel_ = std::make_unique<Process>(argv, env, outputDir_ + "/marbrel.log");
  // Ready once its tray icon is embedded (the icon is a window of class "marbrel").
  return waitFor([this] {
    if (!marbrel_->running()) return false;
    return !trayRunning_ || !trayIcon().empty();
  });
}

bool MarbrelSession::copy(const std::vector<std::pair<std::string, std::string>>& representations) {
  std::vector<std::string> argv = {MARBREL_E2E_HELPER, "own-clipboard"};
  for (const auto& [type, bytes] : representations) {
    const std::string file = outputDir_ + "/copy-" + std::to_string(copies_++);
    std::ofstream(file, std::ios::binary) << bytes;
    argv.push_back(type + "=@" + file);
  }
  const std::string log = outputDir_ + "/owner-" + std::to_string(copies_) + ".log";
  owners_.push_back(std::make_unique<Process>(argv, x_->environment(), log));
  return waitFor([&log] { return readFile(log).find("owned") != std::string::npos; });
}

nlohmann::json MarbrelSession::history() {
  const CommandResult r = x_->run({MARBREL_EXECUTABLE, "history", "list", "--json"});
  if (r.exitCode != 0) return nlohmann::json::array();
  return nlohmann::json::parse(r.out, nullptr, false).is_array() ? nlohmann::json::parse(r.out)
                                                                  : nlohmann::json::array();
}

bool MarbrelSession::waitForEntry(const std::string& title) {
  return waitFor([&] {
    for (const auto& entry : history()) {
      if (entry.value("title", "") == title) return true;
    }
    return false;
  });
}

std::string MarbrelSession::clipboardText() {
  return x_->run({"xclip", "-selection", "clipboard", "-o", "-t", "text/plain"}, std::chrono::seconds(10)).out;
}

bool MarbrelSession::key(const std::string& keys) {
  return x_->run({"xdotool", "key", "--clearmodifiers", keys}).exitCode == 0;
}

bool MarbrelSession::type(const std::string& text) {
  return x_->run({"xdotool", "type", "--delay", "60", text}).exitCode == 0;
}

std::string MarbrelSession::waitForMenu() {
  std::string id;
  waitFor([&] {
    const auto ids = x_->findWindows("^Marbrel Menu$");
    if (ids.empty()) return false;
    id = ids.front();
    return true;
  });
  return id;
}

bool MarbrelSession::waitForMenuClosed() {
  return waitFor([&] { return x_->findWindows("^Marbrel Menu$").empty(); });
}

std::optional<MarbrelSession::WindowRect> MarbrelSession::windowRect(const std::string& id) {
  // "Position: X,Y (screen: N)" and "Geometry: WxH", the position on the whole desktop.
  const CommandResult r = x_->run({"xdotool", "getwindowgeometry", id});
  const auto position = r.out.find("Position: ");
  const auto geometry = r.out.find("Geometry: ");
  if (r.exitCode != 0 || position == std::string::npos || geometry == std::string::npos) return std::nullopt;
  WindowRect rect;
  if (std::sscanf(r.out.c_str() + position, "Position: %d,%d", &rect.x, &rect.y) != 2) return std::nullopt;
  if (std::sscanf(r.out.c_str() + geometry, "Geometry: %dx%d", &rect.width, &rect.height) != 2) return std::nullopt;
  return rect;
}

int MarbrelSession::windowHeight(const std::string& id) {
  const auto rect = windowRect(id);
  return rect ? rect->height : 0;
}

bool MarbrelSession::screenshotMenu(const std::string& name) {
  x_->screenshot(outputDir_ + "/" + name + ".png");
  const auto ids = x_->findWindows("^Marbrel Menu$");
  if (ids.empty()) return false;
  const std::string menuShot = outputDir_ + "/" + name + "-menu.png";
  if (!x_->screenshot(menuShot, ids.front())) return false;
  // Text, highlight and frame make many colours; a blank or unpainted window has one or two.
  return XSession::colourCount(menuShot) > 16;
}

bool MarbrelSession::startPasteTarget() {
  const std::string file = outputDir_ + "/pasted.txt";
  pasteTarget_ = std::make_unique<Process>(std::vector<std::string>{MARBREL_E2E_HELPER, "paste-target", file},
                                           x_->environment(), outputDir_ + "/paste-target.log");
  std::string id;
  if (!waitFor([&] {
        const auto ids = x_->findWindows("^MarbrelPasteTarget$");
        if (ids.empty()) return false;
        id = ids.front();
        return true;
      })) {
    return false;
  }
  // No window manager: give it the keyboard focus directly, and wait until the server says so.
  return waitFor([&] {
    x_->run({"xdotool", "windowfocus", id});
    return x_->run({"xdotool", "getwindowfocus"}).out.find(id) != std::string::npos;
  });
}

std::string MarbrelSession::pastedText() const { return readFile(outputDir_ + "/pasted.txt"); }

}  // namespace marbrel::e2e
