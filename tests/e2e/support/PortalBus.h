#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "support/Process.h"

namespace marbrel::e2e {

// A private session bus with a desktop portal: the real frontend choosing the recording test backend
// (tests/e2e/portal) for the desktop "marbreltest", or, for versions newer than it speaks, the test
// service standing in for the frontend. The bus does not start the portal by itself, so a test can
// start it late or restart it. Everything started stops with it.
class PortalBus {
 public:
  enum class Frontend { real, standIn };

  // `startPortal` false: the bus alone, the portal once startPortal() is called.
  PortalBus(const std::string& logDir, Frontend frontend, bool startPortal = true);
  ~PortalBus();

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
  // Calls the backend's control interface: "SetBindAnswer", {"accept", ""}.
  CommandResult control(const std::string& method, const std::vector<std::string>& stringArguments) const;

 private:
  Frontend frontendKind_;
  std::string logDir_, address_, problem_, portalDir_;
  std::unique_ptr<Process> bus_, backend_, frontend_;
};

}  // namespace marbrel::e2e
