// `marbrel doctor` in the sessions a user runs it in, each probed for real: an X11 session with a
// tray, a headless sway, a Wayland session whose desktop portals serve the shortcut and the paste,
// and none at all.
#include <map>
#include <memory>
#include <sstream>
#include <string>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "support/Scenario.h"
#include "support/PortalBus.h"
#include "support/WaylandSession.h"

namespace marbrel::e2e {
namespace {

// The printed lines by label ("paste" -> "XTest").
std::map<std::string, std::string> linesOf(const std::string& out) {
  std::map<std::string, std::string> lines;
  std::istringstream in(out);
  for (std::string line; std::getline(in, line);) {
    const auto colon = line.find(": ");
    if (colon != std::string::npos) lines[line.substr(0, colon)] = line.substr(colon + 2);
  }
  return lines;
}

class DoctorScenario : public Scenario {
 protected:
  DoctorScenario() { startsMarbrel = false; }
};

TEST_F(DoctorScenario, UnderX11WithATrayEverythingIsThereAndTheStatusIsZero) {
  const CommandResult r = session->x().run({MARBREL_EXECUTABLE, "doctor"}, std::chrono::seconds(30));
  EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
  auto lines = linesOf(r.out);
  EXPECT_EQ(lines["session"], "X11 (DISPLAY=" + session->x().display() + ")");
  EXPECT_EQ(lines["clipboard capture"], "X11");
  EXPECT_EQ(lines["copy back"], "X11");
  EXPECT_EQ(lines["paste"], "XTest");
  EXPECT_EQ(lines["global shortcut"], "X grab");
  EXPECT_EQ(lines["tray host"], "X11 system tray");
  EXPECT_EQ(lines["settings"], session->x().home() + "/config/marbrel/defaults.json (not there yet: Marbrel makes it at its first start)");

  // Once the program ran, its files are there and private; JSON says the same.
  ASSERT_TRUE(session->startMarbrel());
  const CommandResult json = session->x().run({MARBREL_EXECUTABLE, "doctor", "--json"}, std::chrono::seconds(30));
  EXPECT_EQ(json.exitCode, 0);
  const auto parsed = nlohmann::json::parse(json.out, nullptr, false);
  ASSERT_TRUE(parsed.is_object()) << json.out;
  EXPECT_EQ(parsed["ok"], true);
  for (const auto& check : parsed["checks"]) {
    if (check["id"] == "history") {
      EXPECT_EQ(check["value"], session->x().home() + "/data/marbrel/MarbrelStorage.sqlite (0600, folder 0700)");
    }
  }
}

TEST(DoctorWithoutSession, WithNoDisplayAtAllNothingWorksAndTheStatusIsOne) {
  const CommandResult r = runCommand({MARBREL_EXECUTABLE, "doctor"},
                                     {{"-DISPLAY", ""}, {"-WAYLAND_DISPLAY", ""}, {"-XDG_SESSION_TYPE", ""},
                                      {"DBUS_SESSION_BUS_ADDRESS", "disabled:"}},
                                     std::chrono::seconds(30));
  EXPECT_EQ(r.exitCode, 1) << r.out << r.err;
  auto lines = linesOf(r.out);
  EXPECT_EQ(lines["session"], "none (neither DISPLAY nor WAYLAND_DISPLAY is set); to fix: run Marbrel inside a desktop session");
  EXPECT_EQ(lines["clipboard capture"], "none; to fix: run Marbrel inside a desktop session");
  EXPECT_EQ(lines["tray host"], "none: no tray icon; to fix: run Marbrel inside a desktop session");
}

TEST(DoctorWithoutSession, UnderSwayDataControlAndTheVirtualKeyboardServeAndTheShortcutNeedsABinding) {
  const std::string outputDir = std::string(MARBREL_E2E_OUTPUT) + "/DoctorUnderSway";
  WaylandSession session(outputDir);
  if (!session.problem().empty()) GTEST_SKIP() << session.problem();
  if (session.run({"test", "-x", MARBREL_EXECUTABLE}).exitCode != 0) {
    GTEST_SKIP() << "the session's user cannot run " << MARBREL_EXECUTABLE << " (make the build folder readable)";
  }
  const CommandResult r = session.run({MARBREL_EXECUTABLE, "doctor"}, std::chrono::seconds(30));
  EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
  auto lines = linesOf(r.out);
  EXPECT_EQ(lines["session"].rfind("Wayland (WAYLAND_DISPLAY=wayland-", 0), 0u) << lines["session"];
  EXPECT_NE(lines["session"].find(", XWayland on :"), std::string::npos) << lines["session"];
  EXPECT_EQ(lines["clipboard capture"], "wlr-data-control-unstable-v1");
  EXPECT_EQ(lines["copy back"], "wlr-data-control-unstable-v1");
  EXPECT_EQ(lines["paste"], "virtual keyboard");
  EXPECT_EQ(lines["global shortcut"],
            "desktop binding needed; to fix: bind a key to the command marbrel in the desktop's keyboard settings "
            "(README, Desktops)");
  EXPECT_EQ(lines["tray host"].rfind("none: no tray icon; to fix: ", 0), 0u) << lines["tray host"];
}

TEST_F(DoctorScenario, InAWaylandSessionThePortalsCarryTheShortcutAndThePaste) {
  PortalBus portal(session->outputDir());
  if (!portal.problem().empty()) GTEST_SKIP() << portal.problem();
  auto env = session->x().environment();
  for (const auto& [key, value] : portal.environment()) env[key] = value;
  env["XDG_SESSION_TYPE"] = "wayland";
  const CommandResult r = runCommand({MARBREL_EXECUTABLE, "doctor"}, env, std::chrono::seconds(30));
  auto lines = linesOf(r.out);
  EXPECT_EQ(lines["paste"], "portal (RemoteDesktop version 1)") << r.out;
  EXPECT_EQ(lines["global shortcut"], "portal (GlobalShortcuts version 1)");
  // No compositor answers here (only the X server): capture from Wayland programs is not possible.
  EXPECT_EQ(r.exitCode, 1);
}

}  // namespace
}  // namespace marbrel::e2e
