#pragma once

#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "support/MarbrelSession.h"

namespace marbrel::e2e {

// The base of the end-to-end scenarios: sets up the stage named after the running test, and skips
// the test with the reason when the stage cannot be set up or a tool it needs is missing.
class Scenario : public ::testing::Test {
 protected:
  // Skips from here only: a skip in a helper would leave the test running.
  void SetUp() override;
  void TearDown() override { session.reset(); }

  static std::string testName();
  // "missing tool: NAME" for the first of `tools` not in PATH, or empty.
  static std::string missingTool(const std::vector<std::string>& tools);

  // The history's entry titled `title`, or null.
  nlohmann::json entryTitled(const std::string& title);
  std::string openMenu() { return session->openMenuWith("ctrl+shift+v"); }
  bool closeMenu() {
    session->key("Escape");
    return session->waitForMenuClosed();
  }
  // The first visible window whose title matches `pattern`, waiting for it; empty when none shows.
  std::string waitForWindow(const std::string& pattern);
  // Gives a window the keyboard focus (there is no window manager to do it) and waits until it has it.
  bool focus(const std::string& id);
  // `marbrel defaults write KEY -string VALUE`, and `defaults read KEY`.
  bool setting(const std::string& key, const std::string& value);
  std::string storedSetting(const std::string& key);

  std::unique_ptr<MarbrelSession> session;

  // The stage, as a scenario's constructor sets it.
  MarbrelSession::Tray tray = MarbrelSession::Tray::atStart;
  int monitors = 1;
  std::vector<std::string> tools;  // needed beyond the session's own
  bool startsMarbrel = true;       // false: the scenario starts it itself
  std::vector<std::string> arguments;
};

}  // namespace marbrel::e2e
