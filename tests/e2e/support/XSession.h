#pragma once

#include <map>
#include <memory>
#include <string>

#include "support/Process.h"
#include "support/TempDir.h"

namespace marbrel::e2e {

// A private X server (Xvfb on a display number it picks itself) with an optional tray host, and the
// environment programs need to use it. Everything started is stopped when the session goes away.
class XSession {
 public:
  // Starts the server (ok() tells whether it came up), its logs in `logDir`; several monitors of
  // `width` x `height` stand side by side on one screen, as RandR monitors.
  explicit XSession(const std::string& logDir, int width = 1280, int height = 800, int monitors = 1);

  bool ok() const { return !display_.empty(); }
  const std::string& display() const { return display_; }  // ":N"
  // DISPLAY, and private settings and data folders so the user's own are never touched.
  std::map<std::string, std::string> environment() const;
  const std::string& home() const { return home_; }
  // Starts a tray host at the screen's top right and waits until it is up.
  bool startTray();
  CommandResult run(const std::vector<std::string>& argv, std::chrono::milliseconds timeout = std::chrono::seconds(20)) const {
    return runCommand(argv, environment(), timeout);
  }

 private:
  testing::TempDir folder_;  // removed after the programs stop
  std::string logDir_, display_, home_;
  std::unique_ptr<Process> server_, tray_;  // destroyed in reverse: the tray before the server
};

}  // namespace marbrel::e2e
