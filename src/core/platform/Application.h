#pragma once

namespace marbrel {

// The running program as the desktop sees it: its event loop and its place among other programs.
class Application {
 public:
  virtual ~Application() = default;

  // Ends the main event loop once the current event is handled; the process then exits. Work still
  // queued is not run.
  virtual void stop() = 0;

  // Brings the program's windows to the front, even when another program is active.
  virtual void activateIgnoringOtherApps() = 0;
};

}  // namespace marbrel
