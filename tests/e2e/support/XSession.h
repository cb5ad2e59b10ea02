#pragma once

#include <chrono>
#include <map>
#include <memory>
#include <string>

#include "support/Process.h"

namespace marbrel::e2e {

// A private X server (Xvfb on a free display number, which the server picks itself) with an
// optional tray host, and the environment programs need to use it. Everything started is stopped
// when the session goes away.
class XSession {
 public:
  // Starts the server; ok() tells whether it came up. `logDir` receives the logs. With more than
  // one monitor, monitors of `width` x `height` stand side by side, left to right, on one screen,
  // as a desktop with several monitors has them (RandR monitors, set with xrandr).
  explicit XSession(const std::string& logDir, int width = 1280, int height = 800, int monitors = 1);
  ~XSession();

  bool ok() const { return !display_.empty(); }
  // ":N"
  const std::string& display() const { return display_; }
  // DISPLAY, and private settings and data folders so the user's own are never touched.
  std::map<std::string, std::string> environment() const;
  const std::string& home() const { return home_; }

  // Starts a tray host at the screen's top right and waits until it owns the tray selection.
  bool startTray();

  // Runs an X client command on this display.
  CommandResult run(const std::vector<std::string>& argv, std::chrono::milliseconds timeout = std::chrono::seconds(20)) const;

  // How many distinct colours an image holds (1 for a blank one), or 0 when it cannot be read.
  static int colourCount(const std::string& file);

 private:
  std::string logDir_;
  std::string display_;
  std::string home_;
  std::unique_ptr<Process> server_;
  std::unique_ptr<Process> tray_;
};

}  // namespace marbrel::e2e
