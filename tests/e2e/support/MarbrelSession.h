#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "support/Process.h"
#include "support/XSession.h"

namespace marbrel::e2e {

// The stage of one end-to-end scenario: a private X server with a tray host, Marbrel running on
// it with private settings and history, and the tools to act as a user and as other programs.
class MarbrelSession {
 public:
  // When the tray host comes up: before Marbrel, or only when the scenario starts it.
  enum class Tray { atStart, later };

  // `name` names the scenario's folder of logs and screenshots; `monitors` monitors of 1280 x 800
  // stand side by side.
  explicit MarbrelSession(const std::string& name, Tray tray = Tray::atStart, int monitors = 1);
  ~MarbrelSession();

  // Why the stage could not be set up, or empty when it is ready.
  const std::string& problem() const { return problem_; }
  XSession& x() { return *x_; }
  const std::string& outputDir() const { return outputDir_; }

  // Starts Marbrel with `arguments` and waits until its tray icon is up (with no tray host yet,
  // only until it runs). `environment` is added to the display's.
  bool startMarbrel(const std::vector<std::string>& arguments = {},
                    const std::map<std::string, std::string>& environment = {});
  // Starts the tray host of a session begun without one.
  bool startTray();
  // The window of Marbrel's tray icon, or empty when there is none.
  std::string trayIcon();
  // Opens the menu with the shortcut `keys`, pressing again when a busy machine lost the press;
  // returns the menu's window id, or empty when it never showed.
  std::string openMenuWith(const std::string& keys);
  Process* marbrel() { return marbrel_.get(); }

  // Another program copies: each representation is TYPE and bytes. Returns once it owns the clipboard.
  bool copy(const std::vector<std::pair<std::string, std::string>>& representations);
  // The entries of the stored history, top first (`marbrel history list --json`).
  nlohmann::json history();
  // Waits until the history holds an entry titled `title`.
  bool waitForEntry(const std::string& title);
  // The clipboard's text as another program reads it.
  std::string clipboardText();

  // Presses keys as xdotool names them ("ctrl+shift+v"), or types text.
  bool key(const std::string& keys);
  bool type(const std::string& text);

  // The open menu's window id, waiting for it to appear; empty when it does not.
  std::string waitForMenu();
  bool waitForMenuClosed();
  // Where a window is on the desktop (its top-left corner) and its size, in pixels.
  struct WindowRect {
    int x = 0, y = 0, width = 0, height = 0;
  };
  std::optional<WindowRect> windowRect(const std::string& id);
  // The height of a window in pixels (0 when it cannot be read).
  int windowHeight(const std::string& id);
  // Saves a screenshot of the screen as <outputDir>/<name>.png and, when the menu is open, checks
  // that it is drawn (many colours, not a blank rectangle). Returns whether the menu looked drawn.
  bool screenshotMenu(const std::string& name);

  // A text window that records what is pasted into it; it gets the keyboard focus.
  bool startPasteTarget();
  std::string pastedText() const;

 private:
  std::string outputDir_;
  std::unique_ptr<XSession> x_;
  std::unique_ptr<Process> marbrel_;
  std::unique_ptr<Process> pasteTarget_;
  std::vector<std::unique_ptr<Process>> owners_;
  std::string problem_;
  bool trayRunning_ = false;
  int copies_ = 0;
};

}  // namespace marbrel::e2e
