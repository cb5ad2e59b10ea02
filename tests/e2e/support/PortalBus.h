#pragma once

#include <chrono>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "support/Process.h"

namespace marbrel::e2e {

// A private session bus with a desktop portal on it: the real xdg-desktop-portal frontend, choosing
// the test backend (tests/e2e/portal) through a .portal file for the desktop "marbreltest"; or,
// for portal versions newer than the installed frontend speaks, the test service standing in for
// the frontend. The backend records every call it is asked. Everything started stops with it.
class PortalBus {
 public:
  enum class Frontend { real, standIn };

  PortalBus(const std::string& logDir, Frontend frontend = Frontend::real);
  ~PortalBus();

  // Why it could not be set up (a tool missing, a process that did not come up), or empty.
  const std::string& problem() const { return problem_; }
  // The bus and the desktop name for programs that should use this portal.
  std::map<std::string, std::string> environment() const;

  // The calls recorded so far whose method is `method` ("GlobalShortcuts.BindShortcuts"), in order,
  // each with its "arguments".
  std::vector<nlohmann::json> calls(const std::string& method) const;
  // Waits until at least `count` such calls were recorded.
  bool waitForCalls(const std::string& method, std::size_t count,
                    std::chrono::milliseconds timeout = std::chrono::seconds(20)) const;

  // Calls the backend's control interface: "SetBindAnswer", {"accept", ""}. Returns dbus-send's result.
  CommandResult control(const std::string& method, const std::vector<std::string>& stringArguments) const;

 private:
  bool nameOwned(const std::string& name) const;

  std::string logDir_;
  std::string address_;
  std::string problem_;
  std::string portalDir_;
  std::unique_ptr<Process> bus_;
  std::unique_ptr<Process> backend_;
  std::unique_ptr<Process> frontend_;
};

}  // namespace marbrel::e2e
