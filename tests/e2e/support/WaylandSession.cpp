#include "support/WaylandSession.h"

#include <csignal>
#include <fcntl.h>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <nlohmann/json.hpp>

namespace marbrel::e2e {

namespace {

constexpr const char* kTestUser = "marbrel-test";

// The focused window's name in sway's tree (tiled and floating windows alike).
std::string focusedName(const nlohmann::json& node) {
  const std::string type = node.value("type", "");
  if (node.value("focused", false) && (type == "con" || type == "floating_con") && node["name"].is_string()) return node["name"];
  for (const char* children : {"nodes", "floating_nodes"}) {
    for (const auto& child : node.value(children, nlohmann::json::array())) {
      if (std::string name = focusedName(child); !name.empty()) return name;
    }
  }
  return {};
}

std::vector<const char*> toolsOf(Compositor compositor) {
  switch (compositor) {
    case Compositor::sway: return {"sway", "swaymsg", "wtype"};
    case Compositor::mutter: return {"mutter", "/usr/bin/python3", "dbus-daemon", "xdotool"};
    case Compositor::kwin: return {"kwin_wayland", "dbus-daemon", "xdotool", "kbuildsycoca5"};
  }
  return {};
}

// The value of `name` in `env` (lines NAME=VALUE), empty when absent.
std::string variable(const std::string& env, const std::string& name) {
  const std::size_t at = ('\n' + env).find('\n' + name + '=');
  if (at == std::string::npos) return {};
  const std::size_t start = at + name.size() + 1;
  return env.substr(start, env.find('\n', start) - start);
}

// The compositor's environment: the session's, without a display of its own to join.
std::map<std::string, std::string> compositorEnvironment(std::map<std::string, std::string> env) {
  for (const char* name : {"WAYLAND_DISPLAY", "DISPLAY", "XAUTHORITY", "SWAYSOCK", "I3SOCK"}) {
    env.erase(name);
    env[std::string("-") + name] = "";
  }
  return env;
}

}  // namespace

const char* name(Compositor compositor) {
  switch (compositor) {
    case Compositor::sway: return "Sway";
    case Compositor::mutter: return "Mutter";
    case Compositor::kwin: return "KWin";
  }
  return "";
}

WaylandSession::WaylandSession(Compositor compositor, const std::string& logDir, const std::string& extraConfig)
    : logDir_(logDir), compositor_(compositor) {
  std::filesystem::create_directories(logDir_);
  std::vector<const char*> tools = {"Xwayland", "wl-copy", "wl-paste", "setpriv"};
  for (const char* tool : toolsOf(compositor)) tools.push_back(tool);
  for (const char* tool : tools) {
    if (problem_.empty() && !haveProgram(tool)) problem_ = std::string("missing tool (scripts/setup installs it): ") + tool;
  }
  if (!problem_.empty() || !createUser()) return;

  root_ = folder_.path().string();
  runtimeDir_ = root_ + "/runtime";
  for (const char* sub : {"/runtime", "/home", "/home/config", "/home/data", "/home/cache"}) {
    std::filesystem::create_directories(root_ + sub);
  }
  // Sway (from its configuration), Mutter and KWin (as their session's program) run this once they
  // are up: it writes down the session's environment, XWayland's DISPLAY and XAUTHORITY among it.
  const std::string started = root_ + "/started.sh", envFile = runtimeDir_ + "/session-env";
  std::ofstream(started) << "#!/bin/sh\nenv > " << envFile << ".part && mv " << envFile << ".part " << envFile
                         << "\nexec sleep 100000\n";
  ::chmod(started.c_str(), 0755);
  std::ofstream(root_ + "/sway.conf") << "xwayland enable\nexec " << started << "\n" << extraConfig << "\n";
  for (const auto& entry : std::filesystem::recursive_directory_iterator(root_)) {
    [[maybe_unused]] const int changed = ::chown(entry.path().c_str(), uid_, gid_);
  }
  [[maybe_unused]] const int changed = ::chown(root_.c_str(), uid_, gid_);
  ::chmod(root_.c_str(), 0755);
  ::chmod(runtimeDir_.c_str(), 0700);

  const std::string log = logDir_ + (compositor_ == Compositor::mutter ? "/mutter.log"
                                     : compositor_ == Compositor::kwin ? "/kwin.log" : "/sway.log");
  bool up = false;
  if (compositor_ == Compositor::sway) {
    std::map<std::string, std::string> env = compositorEnvironment(environment());
    env.insert({{"WLR_BACKENDS", "headless"}, {"WLR_RENDERER", "pixman"}, {"WLR_LIBINPUT_NO_DEVICES", "1"}});
    sway_ = std::make_unique<Process>(asUser({"sway", "-c", root_ + "/sway.conf"}), env, log);
    up = waitForSession();
  } else {
    socketName_ = "wayland-marbrel";
    up = startSessionBus() && (compositor_ == Compositor::mutter ? startMutter(log) : startKwin(log));
  }
  if (!up && problem_.empty()) problem_ = std::string(name(compositor_)) + " did not come up; see " + log;
}

WaylandSession::~WaylandSession() {
  copiers_.clear();
  keyboard_.reset();
  if (sway_) sway_->stop();
  bus_.reset();
  if (!runtimeDir_.empty()) stopStrays();
}

bool WaylandSession::createUser() {
  uid_ = ::getuid();
  gid_ = ::getgid();
  if (::geteuid() != 0) return true;
  const passwd* user = ::getpwnam(kTestUser);
  CommandResult made;
  if (!user) {
    made = runCommand({"useradd", "--system", "--no-create-home", "--home-dir", "/nonexistent", "--shell",
                       "/usr/sbin/nologin", kTestUser});
    user = ::getpwnam(kTestUser);  // another test program may have made it meanwhile
  }
  if (!user) problem_ = std::string("sway refuses root and the user ") + kTestUser + " could not be made: " + made.err;
  if (!user) return false;
  uid_ = user->pw_uid;
  gid_ = user->pw_gid;
  return switchUser_ = true;
}

bool WaylandSession::waitForSession() {
  const std::string envFile = runtimeDir_ + "/session-env";
  if (!waitFor([&] { return std::filesystem::exists(envFile) || !sway_->running(); }, std::chrono::seconds(60)) ||
      !sway_->running()) {
    return false;
  }
  const std::string env = readFile(envFile);
  display_ = variable(env, "DISPLAY");
  xAuthority_ = variable(env, "XAUTHORITY");
  swaySocket_ = variable(env, "SWAYSOCK");
  if (compositor_ == Compositor::sway) socketName_ = variable(env, "WAYLAND_DISPLAY");
  return !display_.empty() && !socketName_.empty();
}

bool WaylandSession::startMutter(const std::string& log) {
  // XWayland's socket folder must be writable by all with the sticky bit, as a system makes it.
  if (::geteuid() == 0) {
    ::mkdir("/tmp/.X11-unix", 01777);
    ::chmod("/tmp/.X11-unix", 01777);
  }
  sway_ = std::make_unique<Process>(asUser({"mutter", "--wayland", "--headless", "--virtual-monitor", "1280x800",
                                            "--wayland-display", socketName_, "--", root_ + "/started.sh"}),
                                    compositorEnvironment(environment()), log);
  if (!waitForSession()) return false;
  // The headless seat has no keyboard until the remote-desktop interface makes one.
  const std::string script = root_ + "/mutter-keyboard.py";
  std::filesystem::copy_file(MARBREL_SOURCE_DIR "/tests/e2e/support/mutter-keyboard.py", script);
  ::chmod(script.c_str(), 0755);
  // Debian's Python, which has the GObject bindings (a python3 earlier in PATH may not).
  keyboard_ = start({"/usr/bin/python3", script, runtimeDir_ + "/keys"}, logDir_ + "/keyboard.log");
  if (!waitFor([&] { return readFile(logDir_ + "/keyboard.log").find("ready") != std::string::npos || !keyboard_->running(); }) ||
      !keyboard_->running()) {
    problem_ = "Mutter gave no keyboard; see " + logDir_ + "/keyboard.log";
    return false;
  }
  return keys({});
}

bool WaylandSession::startKwin(const std::string& log) {
  // The packaged binary carries a file capability, which an unprivileged user may not execute here
  // ("Operation not permitted"): a copy has none.
  const std::string kwin = root_ + "/kwin_wayland";
  std::string packaged = runCommand({"sh", "-c", "command -v kwin_wayland"}).out;
  while (!packaged.empty() && packaged.back() == '\n') packaged.pop_back();
  std::error_code error;
  std::filesystem::copy_file(packaged, kwin, error);
  if (error) return false;
  ::chmod(kwin.c_str(), 0755);
  sway_ = std::make_unique<Process>(asUser({kwin, "--virtual", "--xwayland", "--socket", socketName_, "--width", "1280",
                                            "--height", "800", root_ + "/started.sh"}),
                                    compositorEnvironment(environment()), log);
  return waitForSession();
}

bool WaylandSession::authorise(const std::string& program) const {
  const std::string folder = root_ + "/home/data/applications";
  if (run({"mkdir", "-p", folder}).exitCode != 0) return false;
  const std::string entry = folder + "/org.marbrel.Test.KWinInput.desktop";
  std::ofstream(entry) << "[Desktop Entry]\nType=Application\nName=Marbrel under test\nExec=" << program
                       << "\nNoDisplay=true\n"
                          "X-KDE-Wayland-Interfaces=org_kde_kwin_fake_input,org_kde_plasma_window_management\n";
  ::chmod(entry.c_str(), 0644);
  return run({"kbuildsycoca5"}, std::chrono::seconds(60)).exitCode == 0;
}

std::map<std::string, std::string> WaylandSession::environment() const {
  const std::string home = root_ + "/home";
  return {{"WAYLAND_DISPLAY", socketName_},
          {xAuthority_.empty() ? "-XAUTHORITY" : "XAUTHORITY", xAuthority_},
          {"DISPLAY", display_},
          {"XDG_RUNTIME_DIR", runtimeDir_},
          {"XDG_SESSION_TYPE", "wayland"},
          {"SWAYSOCK", swaySocket_},
          {"HOME", home},
          {"XDG_CONFIG_HOME", home + "/config"},
          {"XDG_DATA_HOME", home + "/data"},
          {"XDG_CACHE_HOME", home + "/cache"},
          // Each program picks its own Qt platform.
          {"DBUS_SESSION_BUS_ADDRESS", busAddress_},
          {"-QT_QPA_PLATFORM", ""}};
}

std::vector<std::string> WaylandSession::asUser(const std::vector<std::string>& argv) const {
  if (!switchUser_) return argv;
  std::vector<std::string> result = {"setpriv", "--reuid=" + std::to_string(uid_), "--regid=" + std::to_string(gid_),
                                     "--clear-groups", "--"};
  result.insert(result.end(), argv.begin(), argv.end());
  return result;
}

std::unique_ptr<Process> WaylandSession::start(const std::vector<std::string>& argv, const std::string& logFile,
                                               const std::map<std::string, std::string>& extraEnv) const {
  std::map<std::string, std::string> env = extraEnv;
  env.merge(environment());  // keeps extraEnv's values
  return std::make_unique<Process>(asUser(argv), env, logFile);
}


bool WaylandSession::startSessionBus() {
  const std::string socket = runtimeDir_ + "/bus", config = root_ + "/bus.conf";
  std::ofstream(config) << "<busconfig><type>session</type><listen>unix:path=" << socket
                        << "</listen><auth>EXTERNAL</auth><policy context=\"default\">"
                           "<allow send_destination=\"*\"/><allow receive_sender=\"*\"/><allow own=\"*\"/>"
                           "</policy></busconfig>\n";
  ::chmod(config.c_str(), 0644);
  bus_ = start({"dbus-daemon", "--nofork", "--config-file=" + config}, logDir_ + "/dbus.log");
  if (!waitFor([&] { return std::filesystem::exists(socket) || !bus_->running(); }) || !bus_->running()) return false;
  return !(busAddress_ = "unix:path=" + socket).empty();
}

bool WaylandSession::copy(const std::vector<std::pair<std::string, std::string>>& representations, bool stalled) {
  std::vector<std::string> argv = {MARBREL_E2E_HELPER, "stalled-clipboard"};
  for (const auto& [type, bytes] : representations) argv.push_back(type);
  if (!stalled) argv = ownClipboardCommand(representations, root_ + "/home");
  const std::string log = copierLog(copiers_.size());
  std::remove(log.c_str());
  copiers_.push_back(start(argv, log, {{"QT_QPA_PLATFORM", "wayland"}}));
  // A Wayland program may copy only in answer to input: once its window has the keyboard, a key
  // press lets it copy (pressed again should the first press be lost).
  if (!waitFor([&] { return readFile(log).find("ready") != std::string::npos; })) return false;
  const bool owned = waitFor([&] {
    if (readFile(log).find("owned") != std::string::npos) return true;
    keys({"-k", "Shift_L"});
    return false;
  });
  if (!owned) return false;
  // The copy is the clipboard's once the compositor offers it (an earlier copy may offer the same
  // types, not the same bytes; a stalled one sends none).
  const auto& [type, bytes] = representations.front();
  return waitFor([&] {
    return stalled ? run({"wl-paste", "--list-types"}).out.find(type + "\n") != std::string::npos
                   : run({"wl-paste", "--no-newline", "--type", type}, std::chrono::seconds(5)).out == bytes;
  });
}

bool WaylandSession::keys(const std::vector<std::string>& wtypeArguments) const {
  if (compositor_ == Compositor::mutter) {
    // One JSON line to the keyboard's pipe, done once it says so. A lone Shift goes first, as below.
    std::vector<std::string> arguments = {"-k", "Shift_L"};
    arguments.insert(arguments.end(), wtypeArguments.begin(), wtypeArguments.end());
    const std::string line = nlohmann::json(arguments).dump() + "\n";
    const std::string pipe = runtimeDir_ + "/keys";
    int fd = -1;
    if (!waitFor([&] { return (fd = ::open(pipe.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC)) >= 0; }, std::chrono::seconds(10))) return false;
    const bool written = ::write(fd, line.data(), line.size()) == ssize_t(line.size());
    ::close(fd);
    const std::string done = "done " + std::to_string(++keyLines_) + "\n";
    return written && waitFor([&] { return readFile(logDir_ + "/keyboard.log").find(done) != std::string::npos; });
  }
  // Each wtype run is a new keyboard, and the focused program loses the first key it sends while it
  // switches to that keyboard's keymap (sway 1.7 with Qt and XWayland clients): a lone Shift press
  // goes first, so nothing that matters is lost.
  std::vector<std::string> argv = {"wtype", "-k", "Shift_L"};
  argv.insert(argv.end(), wtypeArguments.begin(), wtypeArguments.end());
  return run(argv).exitCode == 0;
}

std::string WaylandSession::focusedWindow() const {
  if (compositor_ != Compositor::sway) {
    std::string name = run({"xdotool", "getactivewindow", "getwindowname"}, std::chrono::seconds(5)).out;
    while (!name.empty() && name.back() == '\n') name.pop_back();
    return name;
  }
  const nlohmann::json tree = nlohmann::json::parse(run({"swaymsg", "-r", "-t", "get_tree"}).out, nullptr, false);
  return tree.is_discarded() ? std::string() : focusedName(tree);
}

void WaylandSession::stopStrays() {
  const std::string marker = "XDG_RUNTIME_DIR=" + runtimeDir_;
  auto strays = [&] {
    std::vector<pid_t> pids;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/proc", error)) {
      const pid_t pid = std::atoi(entry.path().filename().c_str());
      struct stat info {};
      if (pid <= 0 || pid == ::getpid() || ::stat(entry.path().c_str(), &info) != 0 || info.st_uid != uid_) continue;
      // Entries of a process's environment each end with a NUL.
      if (('\0' + readFile(entry.path() / "environ")).find('\0' + marker + '\0') != std::string::npos) pids.push_back(pid);
    }
    return pids;
  };
  for (pid_t pid : strays()) ::kill(pid, SIGTERM);
  if (waitFor([&] { return strays().empty(); }, std::chrono::seconds(3))) return;
  for (pid_t pid : strays()) ::kill(pid, SIGKILL);
  waitFor([&] { return strays().empty(); }, std::chrono::seconds(3));
}

}  // namespace marbrel::e2e
