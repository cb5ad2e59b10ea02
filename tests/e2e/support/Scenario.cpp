#include "support/Scenario.h"

#include <cstdio>
#include <filesystem>
#include <sstream>

namespace marbrel::e2e {

void Scenario::SetUp() {
  outputDir = std::string(MARBREL_E2E_OUTPUT) + "/" + ::testing::UnitTest::GetInstance()->current_test_info()->name();
  std::error_code error;
  std::filesystem::remove_all(outputDir, error);
  std::filesystem::create_directories(outputDir);
  if (const std::string problem = setUpStage(); !problem.empty()) GTEST_SKIP() << problem;
  for (const auto& tool : tools) {
    if (!haveProgram(tool)) GTEST_SKIP() << "missing tool: " << tool;
  }
  if (startsMarbrel) ASSERT_TRUE(startMarbrel()) << "Marbrel did not come up; see " << outputDir;
}

void Scenario::TearDown() {
  // Programs first, the X server last.
  pasteTarget.reset();
  owners.clear();
  marbrel.reset();
  x.reset();
}

std::string Scenario::setUpStage() {
  for (const char* tool : {"Xvfb", "xdotool", "xclip", "trayer", "import", "identify"}) {
    if (!haveProgram(tool)) return std::string("missing tool: ") + tool;
  }
  if (monitors > 1 && !haveProgram("xrandr")) return "missing tool: xrandr";
  x = std::make_unique<XSession>(outputDir, 1280, 800, monitors);
  if (!x->ok()) return "Xvfb did not start";
  if (tray == Tray::atStart && !startTray()) return "the tray host did not start";
  return {};
}

CommandResult Scenario::run(const std::vector<std::string>& argv, std::chrono::milliseconds timeout) const {
  return x->run(argv, timeout);
}

std::unique_ptr<Process> Scenario::launch(const std::vector<std::string>& argv, const std::string& log,
                                          const std::map<std::string, std::string>& env) const {
  auto all = x->environment();
  for (const auto& [key, value] : env) all[key] = value;
  return std::make_unique<Process>(argv, all, outputDir + "/" + log);
}

bool Scenario::startMarbrel(const std::map<std::string, std::string>& env) {
  marbrel = launch({MARBREL_EXECUTABLE}, "marbrel-" + std::to_string(launches++) + ".log", env);
  return waitFor([this] { return marbrel->running() && (!trayRunning || !trayIcon().empty()); });
}

std::string Scenario::trayIcon(pid_t pid) const {
  // The icon is a window of class "marbrel" named "Marbrel" (the menu is "Marbrel Menu").
  std::istringstream ids(run({"xdotool", "search", "--classname", "marbrel"}).out);
  for (std::string id; std::getline(ids, id);) {
    if (id.empty() || run({"xdotool", "getwindowname", id}).out != "Marbrel\n") continue;
    if (pid == 0 || run({"xdotool", "getwindowpid", id}).out == std::to_string(pid) + "\n") return id;
  }
  return {};
}

std::string Scenario::openMenuBy(const std::function<void()>& press) {
  // A press can be lost while the previous menu's grab is still being released, or before the
  // program has grabbed the shortcut.
  // Keys typed before its grab is in place would go to the window in front: the menu counts as open
  // once it holds the keyboard.
  for (int attempt = 0; attempt < 4; ++attempt) {
    press();
    if (std::string menu = waitForWindow("^Marbrel Menu$", std::chrono::seconds(6)); !menu.empty()) {
      waitFor([&] { return run({MARBREL_E2E_HELPER, "keyboard-grabbed"}).out == "grabbed\n"; });
      return menu;
    }
  }
  return {};
}

bool Scenario::filter(const std::string& text) const {
  const std::string menu = waitForMenu();
  const int height = windowHeight(menu);
  return type(text) && height > 0 && waitFor([&] { return windowHeight(menu) < height; });
}

bool Scenario::closeMenu() {
  key("Escape");
  return waitForMenuClosed();
}

bool Scenario::copy(const std::vector<std::pair<std::string, std::string>>& representations) {
  const std::string log = "owner-" + std::to_string(owners.size()) + ".log";
  owners.push_back(launch(ownClipboardCommand(representations, scratchDir()), log));
  return waitFor([&] { return readFile(outputDir + "/" + log).find("owned") != std::string::npos; });
}

nlohmann::json Scenario::history() const {
  const CommandResult r = run({MARBREL_EXECUTABLE, "history", "list", "--json"});
  const auto list = nlohmann::json::parse(r.out, nullptr, false);
  return r.exitCode == 0 && list.is_array() ? list : nlohmann::json::array();
}

nlohmann::json Scenario::entryTitled(const std::string& title) const {
  for (const auto& entry : history()) {
    if (entry.value("title", "") == title) return entry;
  }
  return nullptr;
}

std::map<std::string, std::string> Scenario::doctorLines(const std::string& out) {
  std::map<std::string, std::string> lines;
  std::istringstream in(out);
  for (std::string line; std::getline(in, line);) {
    const auto colon = line.find(": ");
    if (colon != std::string::npos) lines[line.substr(0, colon)] = line.substr(colon + 2);
  }
  return lines;
}

std::string Scenario::waitForWindow(const std::string& pattern, std::chrono::milliseconds timeout) const {
  std::string id;
  waitFor(
      [&] {
        const std::string ids = run({"xdotool", "search", "--onlyvisible", "--name", pattern}).out;
        id = ids.substr(0, ids.find('\n'));
        return !id.empty();
      },
      timeout);
  return id;
}

bool Scenario::waitForNoWindow(const std::string& pattern) const {
  return waitFor([&] { return run({"xdotool", "search", "--onlyvisible", "--name", pattern}).out.empty(); });
}

std::optional<Scenario::WindowRect> Scenario::windowRect(const std::string& id) const {
  WindowRect r;
  const std::string out = run({"xdotool", "getwindowgeometry", "--shell", id}).out;  // the position on the whole desktop
  const bool read = std::sscanf(out.c_str(), "WINDOW=%*d X=%d Y=%d WIDTH=%d HEIGHT=%d", &r.x, &r.y, &r.width, &r.height) == 4;
  return read ? std::optional(r) : std::nullopt;
}

bool Scenario::focus(const std::string& id) const {
  return waitFor([&] {
    run({"xdotool", "windowfocus", id});
    return run({"xdotool", "getwindowfocus"}).out.find(id) != std::string::npos;
  });
}

bool Scenario::screenshot(const std::string& name, std::string window) const {
  if (window.empty() && (window = waitForWindow("^Marbrel Menu$", std::chrono::seconds(0))).empty()) return false;
  // Taken by the session's user into a folder it may write, and kept with the scenario's logs.
  const std::string taken = scratchDir() + "/" + name + ".png", file = outputDir + "/" + name + ".png";
  if (run({"import", "-window", window, taken}, std::chrono::seconds(30)).exitCode != 0) return false;
  std::error_code error;
  if (taken != file) std::filesystem::copy_file(taken, file, std::filesystem::copy_options::overwrite_existing, error);
  const CommandResult colours = runCommand({"identify", "-format", "%k", file}, {}, std::chrono::seconds(30));
  return !error && colours.exitCode == 0 && std::atoi(colours.out.c_str()) > 16;
}

bool Scenario::startPasteTarget() {
  pasteTarget = launch({MARBREL_E2E_HELPER, "paste-target", scratchDir() + "/pasted.txt"}, "paste-target.log");
  const std::string id = waitForWindow("^MarbrelPasteTarget$");
  return !id.empty() && focus(id);
}

}  // namespace marbrel::e2e
