#include "support/PortalBus.h"

#include <filesystem>
#include <fstream>
#include <sstream>

namespace marbrel::e2e {

namespace {

const std::string kFrontend = "/usr/libexec/xdg-desktop-portal";
const std::string kPython = "/usr/bin/python3";
const std::string kBackendName = "org.freedesktop.impl.portal.desktop.marbreltest";
const std::string kDesktop = "marbreltest";

}  // namespace

PortalBus::PortalBus(const std::string& logDir, Frontend frontend) : logDir_(logDir) {
  std::filesystem::create_directories(logDir_);
  if (!haveProgram("dbus-daemon") || !haveProgram("dbus-send")) problem_ = "missing dbus-daemon or dbus-send";
  if (frontend == Frontend::real && !std::filesystem::exists(kFrontend)) {
    problem_ = "missing " + kFrontend + " (package xdg-desktop-portal)";
  }
  if (runCommand({kPython, "-c", "from gi.repository import Gio"}).exitCode != 0) {
    problem_ = "missing Python's GObject bindings (package python3-gi)";
  }
  if (!problem_.empty()) return;

  // The bus prints its address once it accepts connections.
  const std::string busLog = logDir_ + "/dbus-address.txt";
  std::filesystem::remove(busLog);
  bus_ = std::make_unique<Process>(std::vector<std::string>{"dbus-daemon", "--session", "--nofork", "--print-address=1"},
                                   std::map<std::string, std::string>{}, busLog);
  if (!waitFor([&] { return (address_ = readFile(busLog)).find('\n') != std::string::npos; })) {
    problem_ = "the private session bus did not start";
    return;
  }
  address_.resize(address_.find('\n'));

  // The .portal file that makes the frontend choose the test backend for the desktop "marbreltest".
  // Frontend 1.16 reads portal files from XDG_DESKTOP_PORTAL_DIR; later ones from XDG_DATA_DIRS.
  const std::string share = logDir_ + "/share";
  portalDir_ = share + "/xdg-desktop-portal/portals";
  std::filesystem::create_directories(portalDir_);
  std::ofstream(portalDir_ + "/marbreltest.portal")
      << "[portal]\nDBusName=" << kBackendName
      << "\nInterfaces=org.freedesktop.impl.portal.GlobalShortcuts;org.freedesktop.impl.portal.RemoteDesktop;\n"
      << "UseIn=" << kDesktop << "\n";

  const std::string calls = logDir_ + "/portal-calls.jsonl";
  std::filesystem::remove(calls);
  std::vector<std::string> backend = {kPython, std::string(MARBREL_SOURCE_DIR) + "/tests/e2e/portal/test-portal-backend.py",
                                      frontend == Frontend::real ? kBackendName : "org.freedesktop.portal.Desktop", calls};
  if (frontend == Frontend::standIn) backend.push_back("--stand-in-frontend");
  backend_ = std::make_unique<Process>(backend, environment(), logDir_ + "/portal-backend.log");
  if (!waitFor([&] { return readFile(calls).find("\"ready\"") != std::string::npos; })) {
    problem_ = "the test portal did not start; see " + logDir_ + "/portal-backend.log";
  }
  if (frontend == Frontend::standIn || !problem_.empty()) return;

  frontend_ = std::make_unique<Process>(std::vector<std::string>{kFrontend, "--verbose", "--replace"}, environment(),
                                        logDir_ + "/portal-frontend.log");
  const std::vector<std::string> owned = {"dbus-send", "--print-reply", "--dest=org.freedesktop.DBus", "/org/freedesktop/DBus",
                                          "org.freedesktop.DBus.NameHasOwner", "string:org.freedesktop.portal.Desktop"};
  if (!waitFor([&] { return runCommand(owned, environment()).out.find("boolean true") != std::string::npos; })) {
    problem_ = "the portal frontend did not start; see " + logDir_ + "/portal-frontend.log";
  }
}

PortalBus::~PortalBus() {
  // The bus last: the frontend's helpers (document portal, permission store) end with its process group.
  frontend_.reset();
  backend_.reset();
  bus_.reset();
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

CommandResult PortalBus::control(const std::string& method, const std::vector<std::string>& stringArguments) const {
  const bool standIn = !frontend_;
  std::vector<std::string> argv = {"dbus-send", "--print-reply",
                                   "--dest=" + (standIn ? std::string("org.freedesktop.portal.Desktop") : kBackendName),
                                   "/org/marbrel/TestPortal", "org.marbrel.TestPortal." + method};
  for (const std::string& argument : stringArguments) argv.push_back("string:" + argument);
  return runCommand(argv, environment(), std::chrono::seconds(10));
}

}  // namespace marbrel::e2e
