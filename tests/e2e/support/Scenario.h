#pragma once

#include <chrono>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "support/Process.h"
#include "support/XSession.h"

namespace marbrel::e2e {

// The base of the end-to-end scenarios: a private X server with a tray host, Marbrel running on it
// with private settings and history, and the tools to act as a user and as other programs. Skips
// the test with the reason when the stage cannot be set up or a tool it needs is missing. A
// scenario on another stage (a Wayland session) overrides setUpStage(), run() and launch().
class Scenario : public ::testing::Test {
 protected:
  // When the tray host comes up: before Marbrel, or only when the scenario starts it.
  enum class Tray { atStart, later };

  // Skips from here only: a skip in a helper would leave the test running.
  void SetUp() override;
  void TearDown() override;
  // Sets up the stage; returns why it could not, or empty.
  virtual std::string setUpStage();
  // Runs a command in the session to its end.
  virtual CommandResult run(const std::vector<std::string>& argv,
                            std::chrono::milliseconds timeout = std::chrono::seconds(20)) const;
  // Starts a program in the session; its output goes to <outputDir>/<log>.
  virtual std::unique_ptr<Process> launch(const std::vector<std::string>& argv, const std::string& log,
                                          const std::map<std::string, std::string>& env = {}) const;
  // A folder the session's programs may write, for screenshots and the paste target's file.
  virtual std::string scratchDir() const { return outputDir; }

  static std::string testName();

  // Starts Marbrel with `arguments` and waits until its tray icon is up (with no tray host yet,
  // only until it runs).
  virtual bool startMarbrel(const std::map<std::string, std::string>& env = {});
  bool startTray();
  // The window of Marbrel's tray icon, or empty when there is none.
  std::string trayIcon();
  // Opens the menu with the shortcut `keys`, pressing again when a busy machine lost the press;
  // returns the menu's window id, or empty when it never showed.
  std::string openMenu(const std::string& keys = "ctrl+shift+v");
  bool closeMenu();

  // Another program copies: each representation is TYPE and bytes. Returns once it owns the clipboard.
  bool copy(const std::vector<std::pair<std::string, std::string>>& representations);
  // The stored history, top first; the entry titled `title` (or null); waits for one.
  nlohmann::json history() const;
  nlohmann::json entryTitled(const std::string& title) const;
  bool waitForEntry(const std::string& title) const;
  static std::vector<std::string> typesOf(const nlohmann::json& entry);
  static bool contains(const std::vector<std::string>& list, const std::string& value);
  // The clipboard's text as another program reads it.
  std::string clipboardText() const;

  // Presses keys as xdotool names them ("ctrl+shift+v"), or types text.
  bool key(const std::string& keys) const;
  bool type(const std::string& text) const;

  // The first visible window whose title matches `pattern`, waiting for it; empty when none shows.
  std::string waitForWindow(const std::string& pattern, std::chrono::milliseconds timeout = std::chrono::seconds(20)) const;
  bool waitForNoWindow(const std::string& pattern) const;
  std::string waitForMenu() const { return waitForWindow("^Marbrel Menu$"); }
  bool waitForMenuClosed() const { return waitForNoWindow("^Marbrel Menu$"); }
  // Where a window is on the desktop (its top-left corner) and its size, in pixels.
  struct WindowRect {
    int x = 0, y = 0, width = 0, height = 0;
  };
  std::optional<WindowRect> windowRect(const std::string& id) const;
  int windowHeight(const std::string& id) const;
  // Gives a window the keyboard focus (there is no window manager to do it) and waits until it has it.
  bool focus(const std::string& id) const;
  // Saves <outputDir>/<name>.png of `window` ("root": the screen; empty: the open menu) and answers
  // whether it looks drawn (text, highlight and frame make many colours; a blank window few).
  bool screenshot(const std::string& name, std::string window = "") const;

  // A text window that records what is pasted into it; it gets the keyboard focus.
  virtual bool startPasteTarget();
  std::string pastedText() const { return readFile(scratchDir() + "/pasted.txt"); }

  // `marbrel defaults write KEY -string VALUE`, and `defaults read KEY`.
  bool setting(const std::string& key, const std::string& value) const;
  std::string storedSetting(const std::string& key) const;

  // The stage, as a scenario's constructor sets it.
  Tray tray = Tray::atStart;
  int monitors = 1;
  std::vector<std::string> tools;  // needed beyond the stage's own
  bool startsMarbrel = true;       // false: the scenario starts it itself
  std::vector<std::string> arguments;

  std::string outputDir;  // the scenario's logs and screenshots
  std::unique_ptr<XSession> x;
  std::unique_ptr<Process> marbrel;
  std::unique_ptr<Process> pasteTarget;
  std::vector<std::unique_ptr<Process>> owners;
  int launches = 0;
  bool trayRunning = false;
};

}  // namespace marbrel::e2e
