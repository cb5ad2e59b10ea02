#pragma once

#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "support/Process.h"

namespace marbrel::e2e {

class WaylandSession;

// The keysyms of one paste, pressed and released: Control_L and v.
inline const std::vector<std::pair<int, int>> kControlV = {{0xffe3, 1}, {0x76, 1}, {0x76, 0}, {0xffe3, 0}};

// A desktop portal on a session bus: the real frontend choosing the recording test backend
// (tests/e2e/portal) for the desktop "marbreltest", or, for versions newer than it speaks, the test
// service standing in for the frontend. On a private bus of its own, which does not start the portal
// by itself, so a test can start it late or restart it; or on a Wayland session's bus. Everything
// started stops with it.
class PortalBus {
 public:
  enum class Frontend { real, standIn };

  // `startPortal` false: the bus alone, the portal once startPortal() is called.
  PortalBus(const std::string& logDir, Frontend frontend, bool startPortal = true);
  // The real frontend on `session`'s bus, run as its user, started at once; under Mutter the backend
  // types the keys it gets through Mutter's remote-desktop interface, as GNOME's does. `session`
  // outlives it.
  PortalBus(const std::string& logDir, const WaylandSession& session);

  // Starts the backend (and the real frontend); false, with problem() saying why, when it did not come up.
  bool startPortal();
  // Stops the portal: its name leaves the bus and its sessions end.
  void stopPortal();

  // Why it could not be set up, or empty.
  const std::string& problem() const { return problem_; }
  // The bus and the desktop name for programs that should use this portal.
  std::map<std::string, std::string> environment() const;
  // The recorded calls of `method` ("GlobalShortcuts.BindShortcuts"), in order, each its "arguments".
  std::vector<nlohmann::json> calls(const std::string& method) const;
  bool waitForCalls(const std::string& method, std::size_t count) const {
    return waitFor([&] { return calls(method).size() >= count; });
  }
  // The keysyms sent to the RemoteDesktop portal so far, as (keysym, pressed) pairs.
  std::vector<std::pair<int, int>> keysyms() const;
  // Calls the backend's control interface: "SetBindAnswer", {"accept", ""}.
  CommandResult control(const std::string& method, const std::vector<std::string>& stringArguments) const;

 private:
  // Checks the tools and writes the .portal file; false, with problem_ set, when one is missing.
  bool prepare();
  std::unique_ptr<Process> start(const std::vector<std::string>& argv, const std::string& logFile) const;
  CommandResult run(const std::vector<std::string>& argv) const;

  Frontend frontendKind_;
  const WaylandSession* session_ = nullptr;  // not owned; none: the bus is the portal's own
  std::string logDir_, address_, problem_, portalDir_;
  // Destroyed in reverse, the bus last: the frontend's helpers (document portal, permission store) end
  // with its process group.
  std::unique_ptr<Process> bus_, backend_, frontend_;
};

}  // namespace marbrel::e2e
