#include "support/WaylandSession.h"

#include <csignal>
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

}  // namespace

WaylandSession::WaylandSession(const std::string& logDir, const std::string& extraConfig) : logDir_(logDir) {
  std::filesystem::create_directories(logDir_);
  for (const char* tool : {"sway", "swaymsg", "Xwayland", "wl-copy", "wl-paste", "wtype", "setpriv"}) {
    if (problem_.empty() && !haveProgram(tool)) problem_ = std::string("missing tool (scripts/setup installs it): ") + tool;
  }
  if (!problem_.empty() || !createUser()) return;

  std::string pattern = (std::filesystem::temp_directory_path() / "marbrel-wayland-XXXXXX").string();
  if (!::mkdtemp(pattern.data())) problem_ = "cannot make a temporary folder";
  if (!problem_.empty()) return;
  root_ = pattern;
  runtimeDir_ = root_ + "/runtime";
  for (const char* sub : {"/runtime", "/home", "/home/config", "/home/data", "/home/cache"}) {
    std::filesystem::create_directories(root_ + sub);
  }
  std::ofstream(root_ + "/sway.conf") << "xwayland enable\n" << extraConfig << "\n";
  for (const auto& entry : std::filesystem::recursive_directory_iterator(root_)) {
    [[maybe_unused]] const int changed = ::chown(entry.path().c_str(), uid_, gid_);
  }
  [[maybe_unused]] const int changed = ::chown(root_.c_str(), uid_, gid_);
  ::chmod(root_.c_str(), 0755);
  ::chmod(runtimeDir_.c_str(), 0700);

  std::map<std::string, std::string> env = environment();
  for (const char* name : {"WAYLAND_DISPLAY", "DISPLAY", "SWAYSOCK", "I3SOCK"}) {
    env.erase(name);
    env[std::string("-") + name] = "";
  }
  env.insert({{"WLR_BACKENDS", "headless"}, {"WLR_RENDERER", "pixman"}, {"WLR_LIBINPUT_NO_DEVICES", "1"}});
  sway_ = std::make_unique<Process>(asUser({"sway", "-c", root_ + "/sway.conf"}), env, logDir_ + "/sway.log");
  if (!waitForCompositor() && problem_.empty()) problem_ = "sway did not come up; see " + logDir_ + "/sway.log";
}

WaylandSession::~WaylandSession() {
  copiers_.clear();
  if (sway_) sway_->stop();
  bus_.reset();
  if (!runtimeDir_.empty()) stopStrays();
  std::error_code error;
  if (!root_.empty()) std::filesystem::remove_all(root_, error);
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

bool WaylandSession::waitForCompositor() {
  const bool up = waitFor(
      [&] {
        if (!sway_->running()) return true;  // ended: give up at once
        std::error_code error;
        for (const auto& entry : std::filesystem::directory_iterator(runtimeDir_, error)) {
          const std::string name = entry.path().filename().string();
          if (name.rfind("wayland-", 0) == 0 && name.find('.') == std::string::npos) socketName_ = name;
          if (name.rfind("sway-ipc.", 0) == 0) swaySocket_ = entry.path().string();
        }
        return !socketName_.empty() && !swaySocket_.empty();
      },
      std::chrono::seconds(30));
  if (!up || !sway_->running()) return false;
  if (run({"swaymsg", "-t", "get_outputs"}).exitCode != 0) return false;
  // XWayland's display is in sway's own environment: ask sway to write it down.
  const std::string file = runtimeDir_ + "/display";
  run({"swaymsg", "exec", "printf %s \"$DISPLAY\" > " + file});
  if (!waitFor([&] { return !(display_ = readFile(file)).empty(); })) problem_ = "XWayland's display is not known";
  return problem_.empty();
}

std::map<std::string, std::string> WaylandSession::environment() const {
  const std::string home = root_ + "/home";
  return {{"WAYLAND_DISPLAY", socketName_},
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
  // Each wtype run is a new keyboard, and the focused program loses the first key it sends while it
  // switches to that keyboard's keymap (sway 1.7 with Qt and XWayland clients): a lone Shift press
  // goes first, so nothing that matters is lost.
  std::vector<std::string> argv = {"wtype", "-k", "Shift_L"};
  argv.insert(argv.end(), wtypeArguments.begin(), wtypeArguments.end());
  return run(argv).exitCode == 0;
}

std::string WaylandSession::focusedWindow() const {
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
