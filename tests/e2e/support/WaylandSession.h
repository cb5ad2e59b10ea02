#pragma once

#include <map>
#include <memory>
#include <string>
#include <sys/types.h>
#include <vector>

#include "support/Process.h"
#include "support/TempDir.h"

namespace marbrel::e2e {

// The compositors a session can run: sway (wlroots), Mutter (GNOME) and KWin (Plasma).
enum class Compositor { sway, mutter, kwin };
const char* name(Compositor compositor);

// A private Wayland session: a headless compositor with XWayland and its own folders, every program in
// it run by an unprivileged user (the compositors refuse root or need a user's runtime folder: as root,
// "marbrel-test" is made once); all it started, the compositor's own launches too, is stopped when it
// goes away. Mutter and KWin get a session bus of their own; Mutter's seat gets a keyboard through its
// RemoteDesktop interface, KWin's XWayland takes keys through XTest (X11 windows only).
class WaylandSession {
 public:
  // Starts `compositor`, sway with `extraConfig` appended to its configuration; problem() says why when
  // it could not.
  WaylandSession(Compositor compositor, const std::string& logDir, const std::string& extraConfig = "");
  ~WaylandSession();
  WaylandSession(const WaylandSession&) = delete;
  WaylandSession& operator=(const WaylandSession&) = delete;

  const std::string& problem() const { return problem_; }
  // WAYLAND_DISPLAY, DISPLAY (XWayland), the folders, no forced Qt platform, the bus once started.
  std::map<std::string, std::string> environment() const;
  // Starts a session bus, with no services to activate, for the programs started from now on.
  bool startSessionBus();
  // The compositor's socket as an absolute path (usable as WAYLAND_DISPLAY by this process too).
  std::string socketPath() const { return runtimeDir_ + "/" + socketName_; }
  const std::string& runtimeDir() const { return runtimeDir_; }

  std::vector<std::string> asUser(const std::vector<std::string>& argv) const;
  std::unique_ptr<Process> start(const std::vector<std::string>& argv, const std::string& logFile,
                                 const std::map<std::string, std::string>& extraEnv = {}) const;
  CommandResult run(const std::vector<std::string>& argv, std::chrono::milliseconds timeout = std::chrono::seconds(20)) const {
    return runCommand(asUser(argv), environment(), timeout);
  }

  // The helper, a native Wayland program, copies `representations` (TYPE and bytes each), or offers
  // their types and never sends bytes when `stalled`; returns once the compositor offers the copy.
  bool copy(const std::vector<std::pair<std::string, std::string>>& representations, bool stalled = false);
  // What the latest copier printed ("asked" once a stalled one was asked for its bytes).
  std::string lastCopierOutput() const { return readFile(copierLog(copiers_.size() - 1)); }

  // Presses keys (wtype's arguments, e.g. {"-M", "ctrl", "v", "-m", "ctrl"}): through a virtual
  // keyboard (sway) or Mutter's remote-desktop keyboard. (KWin's XWayland takes XTest, as X does.)
  bool keys(const std::vector<std::string>& wtypeArguments) const;
  // The name (title) of the window that has the keyboard: as sway sees it, else the active X11 window
  // (a native window's focus is not seen from outside there); empty when none.
  std::string focusedWindow() const;
  Compositor compositor() const { return compositor_; }
  // KWin: lets `program` use fake input and Plasma's window management, as the package's desktop
  // entry does for the installed program (an entry naming it and the interfaces, and KWin's service
  // cache rebuilt).
  bool authorise(const std::string& program) const;

 private:
  bool createUser();
  // Waits until the compositor ran the session's start script, and reads the displays it wrote down.
  bool waitForSession();
  // Mutter or KWin, with a session bus of their own, their output to `log`.
  bool startMutter(const std::string& log);
  bool startKwin(const std::string& log);
  // Stops every process of this session (by its runtime folder), those sway started on its own too.
  void stopStrays();
  std::string copierLog(std::size_t index) const { return logDir_ + "/copier-" + std::to_string(index) + ".log"; }

  testing::TempDir folder_;  // removed after the programs stop
  std::string logDir_, root_, runtimeDir_;
  std::string socketName_, swaySocket_, display_;  // wayland-N, sway's IPC socket, XWayland's DISPLAY
  uid_t uid_ = 0;
  gid_t gid_ = 0;
  bool switchUser_ = false;
  Compositor compositor_ = Compositor::sway;
  std::string xAuthority_;
  std::unique_ptr<Process> sway_, bus_, keyboard_;  // sway_: the compositor, whichever
  mutable int keyLines_ = 0;  // lines sent to Mutter's keyboard
  std::string busAddress_ = "disabled:";
  std::vector<std::unique_ptr<Process>> copiers_;
  std::string problem_;
};

}  // namespace marbrel::e2e
