// A Wayland session's desktop portals, as Marbrel meets them: the real xdg-desktop-portal frontend
// (or, for a newer interface version than it speaks, a stand-in) with a test backend that records
// what it is asked. Marbrel itself draws on a private X server, as it does on XWayland.
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <sys/stat.h>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "support/Scenario.h"
#include "support/PortalBus.h"

namespace marbrel::e2e {
namespace {

// Keysyms the paste key is made of: Control_L and v.
constexpr int kControl = 0xffe3;
constexpr int kV = 0x76;

class PortalScenario : public Scenario {
 protected:
  PortalScenario() { startsMarbrel = false; }
  void SetUp() override {
    Scenario::SetUp();
    if (IsSkipped()) return;
    portal = std::make_unique<PortalBus>(session->outputDir(), frontend());
    if (!portal->problem().empty()) GTEST_SKIP() << portal->problem();
  }
  void TearDown() override {
    Scenario::TearDown();
    portal.reset();
  }
  virtual PortalBus::Frontend frontend() const { return PortalBus::Frontend::real; }

  // What Marbrel sees in a Wayland session with this portal (it draws on the X server, as on XWayland).
  std::map<std::string, std::string> environment() const {
    auto env = portal->environment();
    env["XDG_SESSION_TYPE"] = "wayland";
    return env;
  }
  bool start() { return session->startMarbrel({}, environment()); }
  CommandResult run(const std::vector<std::string>& argv) const {
    auto env = session->x().environment();
    for (const auto& [key, value] : environment()) env[key] = value;
    return runCommand(argv, env, std::chrono::seconds(30));
  }

  // The desktop delivers the shortcut until the menu shows (a busy machine may still be binding it).
  std::string activateUntilMenu() {
    for (int attempt = 0; attempt < 3; ++attempt) {
      portal->control("Activate", {"popup"});
      if (waitFor([&] { return !session->x().findWindows("^Marbrel Menu$").empty(); }, std::chrono::seconds(6))) {
        return session->waitForMenu();
      }
    }
    return {};
  }
  // A second launch asks the running program to open its menu (the desktop's key binding's way).
  std::string reopenMenu() {
    EXPECT_EQ(run({MARBREL_EXECUTABLE}).exitCode, 0);
    return session->waitForMenu();
  }
  // The keysyms sent so far, as (keysym, pressed) pairs.
  std::vector<std::pair<int, int>> keysyms() const {
    std::vector<std::pair<int, int>> sent;
    for (const auto& call : portal->calls("RemoteDesktop.NotifyKeyboardKeysym")) {
      sent.emplace_back(call["code"].get<int>(), call["state"].get<int>());
    }
    return sent;
  }
  std::string grantFile() const { return session->x().home() + "/config/marbrel/remote-desktop.json"; }
  // The stored answer of the desktop; an empty object while there is none (or it is being replaced).
  nlohmann::json grant() const {
    std::ifstream in(grantFile());
    const auto json = nlohmann::json::parse(in, nullptr, false);
    return json.is_object() ? json : nlohmann::json::object();
  }
  // Copies a text, opens the menu by a second launch and pastes the top entry with Return.
  void copyAndPaste(const std::string& text) {
    ASSERT_TRUE(session->copy({{"text/plain", text}}));
    ASSERT_TRUE(session->waitForEntry(text));
    ASSERT_FALSE(reopenMenu().empty());
    session->key("Return");
    ASSERT_TRUE(session->waitForMenuClosed());
  }

  std::unique_ptr<PortalBus> portal;
};

const std::vector<std::pair<int, int>> kOnePaste = {{kControl, 1}, {kV, 1}, {kV, 0}, {kControl, 0}};

TEST_F(PortalScenario, ShortcutIsBoundWithTheStoredTriggerOpensTheMenuAndIsBoundAgainWhenChanged) {
  ASSERT_TRUE(start()) << "see " << session->outputDir();
  ASSERT_TRUE(portal->waitForCalls("GlobalShortcuts.BindShortcuts", 1));
  auto bound = portal->calls("GlobalShortcuts.BindShortcuts").front();
  ASSERT_EQ(bound["shortcuts"].size(), 1u);
  EXPECT_EQ(bound["shortcuts"][0][0], "popup");
  EXPECT_EQ(bound["shortcuts"][0][1]["preferred_trigger"], "CTRL+SHIFT+v");
  const std::string firstSession = bound["session_handle"];

  ASSERT_FALSE(activateUntilMenu().empty()) << "the desktop's Activated opens the menu";
  EXPECT_TRUE(session->screenshotMenu("opened-by-the-portal"));
  ASSERT_TRUE(closeMenu());

  // Recording Ctrl+Alt+B in the preferences binds it again, in a new session. Alt+O (the mnemonic of
  // "Open the history") puts the focus in the recorder, which starts recording.
  ASSERT_FALSE(reopenMenu().empty());
  session->key("ctrl+comma");
  const std::string window = waitForWindow("^General – Marbrel$");
  ASSERT_FALSE(window.empty());
  ASSERT_TRUE(session->waitForMenuClosed());
  ASSERT_TRUE(focus(window));
  session->key("alt+o");
  session->key("ctrl+alt+b");
  session->x().screenshot(session->outputDir() + "/recorded.png");
  ASSERT_TRUE(portal->waitForCalls("GlobalShortcuts.BindShortcuts", 2)) << "see " << session->outputDir();
  bound = portal->calls("GlobalShortcuts.BindShortcuts").back();
  EXPECT_EQ(bound["shortcuts"][0][1]["preferred_trigger"], "CTRL+ALT+b");
  EXPECT_NE(bound["session_handle"], firstSession);
  EXPECT_TRUE(waitFor([&] {
    for (const auto& closed : portal->calls("Session.Close")) {
      if (closed["session_handle"] == firstSession) return true;
    }
    return false;
  })) << "the first session is closed";
  EXPECT_FALSE(activateUntilMenu().empty()) << "the new binding opens the menu";
}

TEST_F(PortalScenario, DesktopRefusingTheShortcutLeavesEverythingElseWorking) {
  ASSERT_EQ(portal->control("SetBindAnswer", {"refuse", ""}).exitCode, 0);
  ASSERT_TRUE(start()) << "see " << session->outputDir();
  ASSERT_TRUE(portal->waitForCalls("GlobalShortcuts.BindShortcuts", 1));
  ASSERT_TRUE(session->copy({{"text/plain", "still recorded"}}));
  EXPECT_TRUE(session->waitForEntry("still recorded"));
  EXPECT_FALSE(reopenMenu().empty()) << "a second launch still opens the menu";
  // The preferences say what happened (see preferences-refused.png).
  session->key("ctrl+comma");
  EXPECT_FALSE(waitForWindow("^General – Marbrel$").empty());
  session->x().screenshot(session->outputDir() + "/preferences-refused.png");
  EXPECT_TRUE(session->marbrel()->running());
}

TEST_F(PortalScenario, PasteAsksForTheKeyboardOnceAndTypesControlV) {
  ASSERT_TRUE(start()) << "see " << session->outputDir();
  copyAndPaste("first paste");
  ASSERT_TRUE(waitFor([&] { return keysyms().size() >= 4; })) << "see " << session->outputDir();
  EXPECT_EQ(keysyms(), kOnePaste);
  const auto selected = portal->calls("RemoteDesktop.SelectDevices");
  ASSERT_EQ(selected.size(), 1u);
  EXPECT_EQ(selected[0]["options"]["types"], 1) << "the keyboard alone";
  EXPECT_EQ(session->clipboardText(), "first paste");

  copyAndPaste("second paste");
  ASSERT_TRUE(waitFor([&] { return keysyms().size() >= 8; }));
  EXPECT_EQ(portal->calls("RemoteDesktop.Start").size(), 1u) << "asked once";
  for (const auto& call : portal->calls("RemoteDesktop.NotifyKeyboardKeysym")) EXPECT_TRUE(call["started"]);
}

class PortalVersionTwoScenario : public PortalScenario {
 protected:
  PortalBus::Frontend frontend() const override { return PortalBus::Frontend::standIn; }
};

TEST_F(PortalVersionTwoScenario, RestoreTokenBringsThePermissionBackAfterARestartWithoutAsking) {
  ASSERT_TRUE(start()) << "see " << session->outputDir();
  copyAndPaste("before restart");
  ASSERT_TRUE(waitFor([&] { return keysyms().size() >= 4; })) << "see " << session->outputDir();
  auto selected = portal->calls("RemoteDesktop.SelectDevices");
  EXPECT_EQ(selected.back()["options"]["persist_mode"], 2);
  EXPECT_FALSE(selected.back()["options"].contains("restore_token"));
  EXPECT_TRUE(portal->calls("RemoteDesktop.Start").back()["dialog"]) << "the first time the user is asked";
  ASSERT_TRUE(waitFor([&] { return grant().value("restoreToken", "") == "stand-in-token-1"; }));
  struct stat info = {};
  ASSERT_EQ(::stat(grantFile().c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u) << "the token is the user's alone";

  session->marbrel()->stop();
  ASSERT_TRUE(start());
  copyAndPaste("after restart");
  ASSERT_TRUE(waitFor([&] { return keysyms().size() >= 8; }));
  selected = portal->calls("RemoteDesktop.SelectDevices");
  ASSERT_EQ(selected.size(), 2u);
  EXPECT_EQ(selected.back()["options"]["restore_token"], "stand-in-token-1");
  EXPECT_FALSE(portal->calls("RemoteDesktop.Start").back()["dialog"]) << "not asked again";
  EXPECT_TRUE(waitFor([&] { return grant().value("restoreToken", "") == "stand-in-token-2"; }))
      << "a token restores once: the new one is kept";
}

TEST_F(PortalVersionTwoScenario, RefusedPasteIsRememberedAndEntriesAreCopiedOnly) {
  ASSERT_EQ(portal->control("SetStartAnswer", {"refuse"}).exitCode, 0);
  ASSERT_TRUE(start()) << "see " << session->outputDir();
  copyAndPaste("refused once");
  ASSERT_TRUE(waitFor([&] { return grant().value("refused", false); })) << "see " << session->outputDir();
  EXPECT_EQ(session->clipboardText(), "refused once") << "the entry is still copied";

  session->marbrel()->stop();
  ASSERT_TRUE(start());
  copyAndPaste("refused twice");
  EXPECT_EQ(session->clipboardText(), "refused twice");
  EXPECT_EQ(portal->calls("RemoteDesktop.Start").size(), 1u) << "not asked again after a refusal";
  EXPECT_TRUE(keysyms().empty());
}

}  // namespace
}  // namespace marbrel::e2e
