// A Wayland session's desktop portals: the real xdg-desktop-portal frontend (or, for a newer version
// than it speaks, a stand-in) and a test backend that records its calls; Marbrel draws on Xvfb.
#include <filesystem>

#include "support/PortalBus.h"
#include "support/Scenario.h"

namespace marbrel::e2e {
namespace {

class PortalScenario : public Scenario {
 protected:
  PortalScenario() { startsMarbrel = false; tools = {"setxkbmap"}; }
  std::string setUpStage() override {
    portal = std::make_unique<PortalBus>(outputDir, frontend, portalAtStart);
    return portal->problem().empty() ? Scenario::setUpStage() : portal->problem();
  }

  // What Marbrel sees in a Wayland session with this portal (it draws on the X server, as on XWayland).
  std::map<std::string, std::string> environment() const {
    auto env = portal->environment();
    env["XDG_SESSION_TYPE"] = "wayland";
    return env;
  }
  bool start() { return startMarbrel(environment()); }

  // The desktop delivers the shortcut until the menu shows (a busy machine may still be binding it).
  std::string activateUntilMenu() { return openMenuBy([&] { portal->control("Activate", {"popup"}); }); }
  // A second launch asks the running program to open its menu (the desktop's key binding's way).
  std::string reopenMenu() {
    const auto second = launch({MARBREL_EXECUTABLE}, "second-launch.log", environment());
    EXPECT_TRUE(waitFor([&] { return !second->running(); }) && second->exitStatus() == 0);
    return waitForMenu();
  }
  std::vector<std::pair<int, int>> keysyms() const { return portal->keysyms(); }
  std::string grantFile() const { return x->home() + "/config/marbrel/remote-desktop.json"; }
  // The stored answer of the desktop; an empty object while there is none (or it is being replaced).
  nlohmann::json grant() const {
    const auto json = nlohmann::json::parse(readFile(grantFile()), nullptr, false);
    return json.is_object() ? json : nlohmann::json::object();
  }
  // The session of the latest binding of the shortcut.
  std::string bindingSession() const { return portal->calls("GlobalShortcuts.BindShortcuts").back()["session_handle"]; }
  // The shortcut is bound anew, in another session than `earlier`, and the new binding opens the menu.
  void expectBoundAgain(const std::string& earlier) {
    ASSERT_TRUE(waitFor([&] { return bindingSession() != earlier; })) << "see " << outputDir;
    EXPECT_FALSE(activateUntilMenu().empty()) << "the new binding opens the menu";
    ASSERT_TRUE(closeMenu());
  }
  // Copies a text, opens the menu by a second launch and pastes the top entry with Return.
  void copyAndPaste(const std::string& text) {
    ASSERT_TRUE(copyText(text));
    ASSERT_FALSE(reopenMenu().empty());
    key("Return");
    ASSERT_TRUE(waitForMenuClosed());
  }

  PortalBus::Frontend frontend = PortalBus::Frontend::real;
  bool portalAtStart = true;
  std::unique_ptr<PortalBus> portal;
};

struct LatePortalScenario : PortalScenario {
  LatePortalScenario() { portalAtStart = false; }
};

TEST_F(LatePortalScenario, ShortcutIsBoundOpensTheMenuIsBoundAgainWhenChangedOrRestartedAndThePasteTypesControlV) {
  ASSERT_TRUE(start()) << "see " << outputDir;
  // The portal comes after Marbrel, as an autostarted one may at log-in.
  ASSERT_TRUE(portal->startPortal()) << portal->problem();
  ASSERT_TRUE(portal->waitForCalls("GlobalShortcuts.BindShortcuts", 1)) << "see " << outputDir;
  const auto bound = portal->calls("GlobalShortcuts.BindShortcuts").front();
  ASSERT_EQ(bound["shortcuts"].size(), 1u);
  EXPECT_EQ(bound["shortcuts"][0][0], "popup");
  EXPECT_EQ(bound["shortcuts"][0][1]["preferred_trigger"], "CTRL+SHIFT+v");
  const std::string firstSession = bindingSession();

  ASSERT_FALSE(activateUntilMenu().empty()) << "the desktop's Activated opens the menu";
  EXPECT_TRUE(screenshot("opened-by-the-portal"));
  ASSERT_TRUE(closeMenu());

  // Recording Ctrl+Alt+B in the preferences binds it again, in a new session. Alt+O (the mnemonic of
  // "Open the history") puts the focus in the recorder, which starts recording.
  ASSERT_FALSE(reopenMenu().empty());
  key("ctrl+comma");
  const std::string window = waitForWindow("^General – Marbrel$");
  ASSERT_FALSE(window.empty());
  ASSERT_TRUE(waitForMenuClosed());
  ASSERT_TRUE(focus(window));
  key("alt+o");
  key("ctrl+alt+b");
  screenshot("recorded", "root");
  expectBoundAgain(firstSession);
  EXPECT_EQ(portal->calls("GlobalShortcuts.BindShortcuts").back()["shortcuts"][0][1]["preferred_trigger"], "CTRL+ALT+b");
  EXPECT_TRUE(waitFor([&] {
    const auto closed = portal->calls("Session.Close");
    return std::any_of(closed.begin(), closed.end(), [&](const auto& call) { return call["session_handle"] == firstSession; });
  })) << "the first session is closed";

  // The paste asks the desktop for the keyboard once and types Control+V through it.
  copyAndPaste("first paste");
  ASSERT_TRUE(waitFor([&] { return keysyms().size() >= 4; })) << "see " << outputDir;
  EXPECT_EQ(keysyms(), kControlV);
  const auto selected = portal->calls("RemoteDesktop.SelectDevices");
  ASSERT_EQ(selected.size(), 1u);
  EXPECT_EQ(selected[0]["options"]["types"], 1) << "the keyboard alone";
  EXPECT_EQ(clipboardText(), "first paste");

  copyAndPaste("second paste");
  ASSERT_TRUE(waitFor([&] { return keysyms().size() >= 8; }));
  EXPECT_EQ(portal->calls("RemoteDesktop.Start").size(), 1u) << "asked once";
  for (const auto& call : portal->calls("RemoteDesktop.NotifyKeyboardKeysym")) EXPECT_TRUE(call["started"]);

  // A restart ends the portal's sessions: the shortcut shows unbound meanwhile, then is bound anew.
  const std::string boundSession = bindingSession();
  portal->stopPortal();
  EXPECT_TRUE(waitFor([&] { return marbrelLog().find("the desktop portal stopped") != std::string::npos; }))
      << marbrelLog();
  ASSERT_TRUE(portal->startPortal()) << portal->problem();
  expectBoundAgain(boundSession);
  copyAndPaste("restarted portal");
  ASSERT_TRUE(waitFor([&] { return keysyms().size() >= 12; }))
      << "a new remote-desktop session types; see " << outputDir;
  EXPECT_EQ(portal->calls("RemoteDesktop.Start").size(), 2u);

  // Keys go out as keysyms, so the paste is Control and v under every layout: the key that types v
  // under Dvorak is the US period (no letter was sent), under Workman the US B (Control+B was typed).
  for (const std::string variant : {"dvorak", "workman"}) {
    ASSERT_EQ(run({"setxkbmap", "us", "-variant", variant}).exitCode, 0);
    const std::size_t before = keysyms().size();
    copyAndPaste("pasted under " + variant);
    ASSERT_TRUE(waitFor([&] { return keysyms().size() >= before + 4; })) << variant << ": " << keysyms().size() - before;
    const auto sent = keysyms();
    EXPECT_EQ(std::vector(sent.begin() + std::ptrdiff_t(before), sent.end()), kControlV) << variant;
  }
}

TEST_F(PortalScenario, DoctorSeesThePortalsAndTheDesktopRefusingTheShortcutLeavesEverythingElseWorking) {
  auto env = environment();
  env.merge(x->environment());
  const CommandResult r = runCommand({MARBREL_EXECUTABLE, "doctor"}, env, std::chrono::seconds(30));
  auto lines = doctorLines(r.out);
  EXPECT_EQ(lines["paste"], "portal (RemoteDesktop version 1), offered, not verified") << r.out;
  EXPECT_EQ(lines["global shortcut"], "portal (GlobalShortcuts version 1), offered, not verified");
  // No compositor answers here (only the X server): capture from Wayland programs is not possible.
  EXPECT_EQ(r.exitCode, 1);

  ASSERT_EQ(portal->control("SetBindAnswer", {"refuse", ""}).exitCode, 0);
  ASSERT_TRUE(start()) << "see " << outputDir;
  ASSERT_TRUE(portal->waitForCalls("GlobalShortcuts.BindShortcuts", 1));
  EXPECT_TRUE(copyText("still recorded"));
  EXPECT_FALSE(reopenMenu().empty()) << "a second launch still opens the menu";
  // The preferences say what happened (see preferences-refused.png).
  key("ctrl+comma");
  EXPECT_FALSE(waitForWindow("^General – Marbrel$").empty());
  screenshot("preferences-refused", "root");
  EXPECT_TRUE(marbrel->running());
}

struct PortalVersionTwoScenario : PortalScenario {
  PortalVersionTwoScenario() { frontend = PortalBus::Frontend::standIn; }
};

TEST_F(PortalVersionTwoScenario, RestoreTokenBringsThePermissionBackAfterARestartWithoutAsking) {
  ASSERT_TRUE(start()) << "see " << outputDir;
  copyAndPaste("before restart");
  ASSERT_TRUE(waitFor([&] { return keysyms().size() >= 4; })) << "see " << outputDir;
  auto selected = portal->calls("RemoteDesktop.SelectDevices");
  EXPECT_EQ(selected.back()["options"]["persist_mode"], 2);
  EXPECT_FALSE(selected.back()["options"].contains("restore_token"));
  EXPECT_TRUE(portal->calls("RemoteDesktop.Start").back()["dialog"]) << "the first time the user is asked";
  ASSERT_TRUE(waitFor([&] { return grant().value("restoreToken", "") == "stand-in-token-1"; }));
  EXPECT_EQ(std::filesystem::status(grantFile()).permissions(), std::filesystem::perms(0600)) << "the user's alone";

  marbrel->stop();
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
  ASSERT_TRUE(start()) << "see " << outputDir;
  copyAndPaste("refused once");
  ASSERT_TRUE(waitFor([&] { return grant().value("refused", false); })) << "see " << outputDir;
  EXPECT_EQ(clipboardText(), "refused once") << "the entry is still copied";

  marbrel->stop();
  ASSERT_TRUE(start());
  copyAndPaste("refused twice");
  EXPECT_EQ(clipboardText(), "refused twice");
  EXPECT_EQ(portal->calls("RemoteDesktop.Start").size(), 1u) << "not asked again after a refusal";
  EXPECT_TRUE(keysyms().empty());
}

}  // namespace
}  // namespace marbrel::e2e
