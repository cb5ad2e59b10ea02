#include "support/PortalBus.h"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

#include "support/WaylandSession.h"

namespace marbrel::e2e {

namespace {

const std::string kFrontend = "/usr/libexec/xdg-desktop-portal";
const std::string kPython = "/usr/bin/python3";
const std::string kBackendName = "org.freedesktop.impl.portal.desktop.marbreltest";
const std::string kDesktop = "marbreltest";

}  // namespace

PortalBus::PortalBus(const std::string& logDir, Frontend frontend, bool startNow)
    : frontendKind_(frontend), logDir_(logDir) {
  if (!prepare()) return;

  // A session bus that can start the other installed services but not the portal: the test decides
  // when the portal runs.
  const std::string services = logDir_ + "/dbus-services";
  std::filesystem::remove_all(services);
  std::filesystem::create_directories(services);
  for (const auto& file : std::filesystem::directory_iterator("/usr/share/dbus-1/services")) {
    if (file.path().filename() == "org.freedesktop.portal.Desktop.service") continue;
    std::filesystem::create_symlink(file.path(), services / file.path().filename());
  }
  const std::string config = logDir_ + "/dbus-session.conf";
  std::ofstream(config) << "<busconfig><type>session</type><listen>unix:tmpdir=/tmp</listen><auth>EXTERNAL</auth>"
                        << "<servicedir>" << services << "</servicedir><policy context=\"default\">"
                        << "<allow send_destination=\"*\" eavesdrop=\"true\"/><allow eavesdrop=\"true\"/>"
                        << "<allow own=\"*\"/></policy></busconfig>\n";

  // The bus prints its address once it accepts connections.
  const std::string busLog = logDir_ + "/dbus-address.txt";
  std::filesystem::remove(busLog);
  bus_ = std::make_unique<Process>(
      std::vector<std::string>{"dbus-daemon", "--config-file=" + config, "--nofork", "--print-address=1"},
      std::map<std::string, std::string>{}, busLog);
  if (!waitFor([&] { return (address_ = readFile(busLog)).find('\n') != std::string::npos; })) {
    problem_ = "the private session bus did not start";
    return;
  }
  address_.resize(address_.find('\n'));
  if (startNow) startPortal();
}

PortalBus::PortalBus(const std::string& logDir, const WaylandSession& session)
    : frontendKind_(Frontend::real), session_(&session), logDir_(logDir) {
  if (!prepare()) return;
  address_ = session.environment().at("DBUS_SESSION_BUS_ADDRESS");
  // The backend runs as the session's user (the owner of its runtime folder) and appends to its log.
  struct stat owner {};
  const std::string calls = logDir_ + "/portal-calls.jsonl";
  std::ofstream{calls};
  if (::stat(session.runtimeDir().c_str(), &owner) != 0 || ::chown(calls.c_str(), owner.st_uid, owner.st_gid) != 0) {
    problem_ = "the session's user cannot have " + calls;
    return;
  }
  startPortal();
}

bool PortalBus::prepare() {
  std::filesystem::create_directories(logDir_);
  if (!haveProgram("dbus-daemon") || !haveProgram("dbus-send")) problem_ = "missing dbus-daemon or dbus-send";
  if (frontendKind_ == Frontend::real && !std::filesystem::exists(kFrontend)) {
    problem_ = "missing " + kFrontend + " (package xdg-desktop-portal)";
  }
  if (runCommand({kPython, "-c", "from gi.repository import Gio"}).exitCode != 0) {
    problem_ = "missing Python's GObject bindings (package python3-gi)";
  }
  if (!problem_.empty()) return false;

  // The .portal file that makes the frontend choose the test backend for the desktop "marbreltest".
  // Frontend 1.16 reads portal files from XDG_DESKTOP_PORTAL_DIR; later ones from XDG_DATA_DIRS.
  const std::string share = logDir_ + "/share";
  portalDir_ = share + "/xdg-desktop-portal/portals";
  std::filesystem::create_directories(portalDir_);
  std::ofstream(portalDir_ + "/marbreltest.portal")
      << "[portal]\nDBusName=" << kBackendName
      << "\nInterfaces=org.freedesktop.impl.portal.GlobalShortcuts;org.freedesktop.impl.portal.RemoteDesktop;\n"
      << "UseIn=" << kDesktop << "\n";
  std::filesystem::remove(logDir_ + "/portal-calls.jsonl");
  // The backend from the log folder, which a session's user can read where the sources may not be.
  std::filesystem::copy_file(MARBREL_SOURCE_DIR "/tests/e2e/portal/test-portal-backend.py",
                             logDir_ + "/portal-backend.py", std::filesystem::copy_options::overwrite_existing);
  return true;
}

std::unique_ptr<Process> PortalBus::start(const std::vector<std::string>& argv, const std::string& logFile) const {
  if (session_) return session_->start(argv, logFile, environment());
  return std::make_unique<Process>(argv, environment(), logFile);
}

CommandResult PortalBus::run(const std::vector<std::string>& argv) const {
  const auto timeout = std::chrono::seconds(10);
  return session_ ? session_->run(argv, timeout) : runCommand(argv, environment(), timeout);
}

bool PortalBus::startPortal() {
  // The backend's log is appended to across restarts; it is up once it wrote one more "ready".
  const std::string calls = logDir_ + "/portal-calls.jsonl";
  const std::size_t ready = this->calls("ready").size();
  const bool standIn = frontendKind_ == Frontend::standIn;
  std::vector<std::string> backend = {kPython, logDir_ + "/portal-backend.py",
                                      standIn ? "org.freedesktop.portal.Desktop" : kBackendName, calls};
  if (standIn) backend.push_back("--stand-in-frontend");
  if (session_ && session_->compositor() == Compositor::mutter) backend.push_back("--type-through-mutter");
  backend_ = start(backend, logDir_ + "/portal-backend.log");
  if (!waitFor([&] { return this->calls("ready").size() > ready; })) {
    problem_ = "the test portal did not start; see " + logDir_ + "/portal-backend.log";
    return false;
  }
  if (standIn) return true;

  frontend_ = start({kFrontend, "--verbose", "--replace"}, logDir_ + "/portal-frontend.log");
  const std::vector<std::string> owned = {"dbus-send", "--print-reply", "--dest=org.freedesktop.DBus", "/org/freedesktop/DBus",
                                          "org.freedesktop.DBus.NameHasOwner", "string:org.freedesktop.portal.Desktop"};
  if (!waitFor([&] { return run(owned).out.find("boolean true") != std::string::npos; })) {
    problem_ = "the portal frontend did not start; see " + logDir_ + "/portal-frontend.log";
    return false;
  }
  return true;
}

void PortalBus::stopPortal() {
  frontend_.reset();
  backend_.reset();
}

std::map<std::string, std::string> PortalBus::environment() const {
  const std::string share = logDir_ + "/share";
  return {{"DBUS_SESSION_BUS_ADDRESS", address_},
          {"XDG_CURRENT_DESKTOP", kDesktop},
          {"XDG_DESKTOP_PORTAL_DIR", portalDir_},
          {"XDG_DATA_DIRS", share + ":/usr/local/share:/usr/share"}};
}

std::vector<nlohmann::json> PortalBus::calls(const std::string& method) const {
  std::vector<nlohmann::json> found;
  std::istringstream lines(readFile(logDir_ + "/portal-calls.jsonl"));
  for (std::string line; std::getline(lines, line);) {
    const auto call = nlohmann::json::parse(line, nullptr, false);
    if (call.is_object() && call.value("method", "") == method) found.push_back(call["arguments"]);
  }
  return found;
}

std::vector<std::pair<int, int>> PortalBus::keysyms() const {
  std::vector<std::pair<int, int>> sent;
  for (const auto& call : calls("RemoteDesktop.NotifyKeyboardKeysym")) {
    sent.emplace_back(call["code"].get<int>(), call["state"].get<int>());
  }
  return sent;
}

CommandResult PortalBus::control(const std::string& method, const std::vector<std::string>& stringArguments) const {
  const bool standIn = frontendKind_ == Frontend::standIn;
  std::vector<std::string> argv = {"dbus-send", "--print-reply",
                                   "--dest=" + (standIn ? std::string("org.freedesktop.portal.Desktop") : kBackendName),
                                   "/org/marbrel/TestPortal", "org.marbrel.TestPortal." + method};
  for (const std::string& argument : stringArguments) argv.push_back("string:" + argument);
  return run(argv);
}

}  // namespace marbrel::e2e
