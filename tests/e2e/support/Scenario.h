#pragma once

#include <algorithm>
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

// The base of the end-to-end scenarios: a private X server with a tray host, Marbrel on it, and the
// tools to act as a user and as other programs; skips with the reason when a tool is missing.
class Scenario : public ::testing::Test {
 protected:
  enum class Tray { atStart, later };

  void SetUp() override;  // skips from here only: a skip in a helper would leave the test running
  void TearDown() override;
  virtual std::string setUpStage();
  virtual CommandResult run(const std::vector<std::string>& argv,
                            std::chrono::milliseconds timeout = std::chrono::seconds(20)) const;
  // Starts a program in the session; its output goes to <outputDir>/<log>.
  virtual std::unique_ptr<Process> launch(const std::vector<std::string>& argv, const std::string& log,
                                          const std::map<std::string, std::string>& env = {}) const;
  // A folder the session's programs may write (screenshots, the paste target's file).
  virtual std::string scratchDir() const { return outputDir; }
  // Starts Marbrel; ready once its tray icon is up (without a tray host, once it runs).
  virtual bool startMarbrel(const std::map<std::string, std::string>& env = {});
  // A text window that records what is pasted into it to pastedText(); it gets the keyboard focus.
  virtual bool startPasteTarget();
  std::string pastedText() const { return readFile(scratchDir() + "/pasted.txt"); }
  // Chooses the highlighted entry with Return: true once the menu closed and the paste target has `text`.
  bool pasteChosen(const std::string& text) {
    key("Return");
    return waitForMenuClosed() && waitFor([&] { return pastedText() == text; });
  }

  bool startTray() { return trayRunning = x->startTray(); }
  // The icon's window (of the program with process id `pid`, when given), or empty.
  std::string trayIcon(pid_t pid = 0) const;
  // What the program wrote to its standard output and error in its latest launch.
  std::string marbrelLog() const { return readFile(outputDir + "/marbrel-" + std::to_string(launches - 1) + ".log"); }
  // Opens the menu by `press` (the shortcut `keys`), pressing again when a busy machine lost the
  // press; returns the menu's window id, or empty when it never showed.
  std::string openMenuBy(const std::function<void()>& press);
  std::string openMenu(const std::string& keys = "ctrl+shift+v") { return openMenuBy([&] { key(keys); }); }
  bool closeMenu();

  // Another program copies: each representation is TYPE and bytes. Returns once it owns the clipboard.
  bool copy(const std::vector<std::pair<std::string, std::string>>& representations);
  // The stored history, top first; the entry titled `title` (or null).
  nlohmann::json history() const;
  nlohmann::json entryTitled(const std::string& title) const;
  bool waitForEntry(const std::string& title) const {
    return waitFor([&] { return !entryTitled(title).is_null(); });
  }
  // Another program copies `text`; true once the history has it.
  bool copyText(const std::string& text) { return copy({{"text/plain", text}}) && waitForEntry(text); }
  // How often the entry titled `title` was copied (0: there is none).
  int copiesOf(const std::string& title) const { return entryTitled(title).value("numberOfCopies", 0); }
  static std::vector<std::string> typesOf(const nlohmann::json& entry) {
    return entry.value("types", std::vector<std::string>{});
  }
  // What `marbrel doctor` printed, by label ("paste" -> "XTest").
  static std::map<std::string, std::string> doctorLines(const std::string& out);
  static bool contains(const std::vector<std::string>& list, const std::string& value) {
    return std::find(list.begin(), list.end(), value) != list.end();
  }
  std::string clipboardText() const {
    return run({"xclip", "-selection", "clipboard", "-o", "-t", "text/plain"}, std::chrono::seconds(10)).out;
  }

  virtual bool key(const std::string& keys) const {
    return run({"xdotool", "key", "--clearmodifiers", keys}).exitCode == 0;
  }
  virtual bool type(const std::string& text) const {
    return run({"xdotool", "type", "--delay", "60", text}).exitCode == 0;
  }
  // Types `text` into the open menu's search field; true once the menu, filtered, got shorter.
  bool filter(const std::string& text) const;

  // The first visible window whose title matches `pattern`, waiting for it; empty when none shows.
  std::string waitForWindow(const std::string& pattern, std::chrono::milliseconds timeout = std::chrono::seconds(20)) const;
  bool waitForNoWindow(const std::string& pattern) const;
  std::string waitForMenu() const { return waitForWindow("^Marbrel Menu$"); }
  bool waitForMenuClosed() const { return waitForNoWindow("^Marbrel Menu$"); }
  struct WindowRect { int x = 0, y = 0, width = 0, height = 0; };
  std::optional<WindowRect> windowRect(const std::string& id) const;
  int windowHeight(const std::string& id) const { return windowRect(id).value_or(WindowRect{}).height; }
  // Gives a window the keyboard focus (there is no window manager to do it) and waits until it has it.
  bool focus(const std::string& id) const;
  // Saves <outputDir>/<name>.png of `window` ("root": the screen; empty: the menu); false when it looks blank.
  bool screenshot(const std::string& name, std::string window = "") const;
  bool setting(const std::string& key, const std::string& value) const {
    return run({MARBREL_EXECUTABLE, "defaults", "write", key, "-string", value}).exitCode == 0;
  }

  // The stage, as a scenario's constructor sets it.
  Tray tray = Tray::atStart;
  int monitors = 1;
  std::vector<std::string> tools;  // needed beyond the stage's own
  bool startsMarbrel = true;       // false: the scenario starts it itself

  std::string outputDir;  // the scenario's logs and screenshots
  std::unique_ptr<XSession> x;
  std::unique_ptr<Process> marbrel, pasteTarget;
  std::vector<std::unique_ptr<Process>> owners;
  int launches = 0;
  bool trayRunning = false;
};

}  // namespace marbrel::e2e
