// The tray icon in a Wayland session: a headless sway whose bar (swaybar) is the tray host, on a
// session bus of its own, clicked the way a tray host clicks: over the bus.
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/Process.h"
#include "support/WaylandSession.h"
#include "support/XSession.h"

namespace marbrel::e2e {
namespace {

using namespace std::chrono_literals;

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class WaylandTrayScenario : public ::testing::Test {
 protected:
  void SetUp() override {
    outputDir = std::string(MARBREL_E2E_OUTPUT) + "/wayland-tray";
    std::error_code error;
    std::filesystem::remove_all(outputDir, error);
    if (!haveProgram("swaybar") || !haveProgram("dbus-send") || !haveProgram("xdotool")) {
      GTEST_SKIP() << "missing swaybar, dbus-send or xdotool (scripts/setup installs them)";
    }
    // The bar is declared here and started by the test, once the bus is up.
    session = std::make_unique<WaylandSession>(outputDir, "bar {\n  id tray\n  swaybar_command true\n}");
    if (!session->problem().empty()) GTEST_SKIP() << session->problem();
    if (session->run({"test", "-x", MARBREL_EXECUTABLE}).exitCode != 0) {
      GTEST_SKIP() << "the session's user cannot run " << MARBREL_EXECUTABLE << " (make the build folder readable)";
    }
    ASSERT_TRUE(session->startSessionBus()) << "no session bus; see " << outputDir;
  }
  void TearDown() override {
    bar.reset();
    marbrel.reset();
    session.reset();
  }

  CommandResult busCall(const std::string& destination, const std::string& path, const std::string& method,
                        const std::vector<std::string>& arguments) {
    std::vector<std::string> argv = {"dbus-send", "--session", "--print-reply", "--dest=" + destination, path, method};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    return session->run(argv, 10s);
  }
  // The first item registered with the tray host's watcher, as "bus-name/path"; empty when none.
  std::string registeredItem() {
    const std::string reply = busCall("org.kde.StatusNotifierWatcher", "/StatusNotifierWatcher",
                                      "org.freedesktop.DBus.Properties.Get",
                                      {"string:org.kde.StatusNotifierWatcher", "string:RegisteredStatusNotifierItems"})
                                  .out;
    const std::size_t open = reply.find("string \"");
    if (open == std::string::npos) return {};
    const std::size_t begin = open + 8;
    return reply.substr(begin, reply.find('"', begin) - begin);
  }
  // What a tray host sends for a click on the icon: "Activate" (left) or "ContextMenu" (right).
  bool click(const std::string& item, const std::string& method) {
    const std::size_t slash = item.find('/');
    return busCall(item.substr(0, slash), item.substr(slash), "org.kde.StatusNotifierItem." + method,
                   {"int32:1900", "int32:10"})
               .exitCode == 0;
  }
  bool menuOpenWithKeyboard() {
    return waitFor([&] { return session->focusedWindow() == "Marbrel Menu"; });
  }
  std::string menuWindow() {
    const std::string ids = session->run({"xdotool", "search", "--onlyvisible", "--name", "^Marbrel Menu$"}).out;
    return ids.substr(0, ids.find('\n'));
  }
  // The menu (an XWayland window) as a picture, kept with the scenario's logs; whether it looks drawn.
  bool screenshotMenu(const std::string& name) {
    const std::string id = menuWindow();
    if (id.empty()) return false;
    const std::string taken = session->runtimeDir() + "/" + name + ".png";
    session->run({"import", "-window", id, taken}, 30s);
    const std::string file = outputDir + "/" + name + ".png";
    std::error_code error;
    std::filesystem::copy_file(taken, file, std::filesystem::copy_options::overwrite_existing, error);
    return !error && XSession::colourCount(file) > 16;
  }
  bool recorded(const std::string& text) {
    const std::string list = session->run({MARBREL_EXECUTABLE, "history", "list", "--json"}).out;
    return list.find('"' + text + '"') != std::string::npos;
  }
  std::string wlPaste() { return session->run({"wl-paste", "--no-newline"}, 10s).out; }

  std::string outputDir;
  std::unique_ptr<WaylandSession> session;
  std::unique_ptr<Process> marbrel;
  std::unique_ptr<Process> bar;
};

TEST_F(WaylandTrayScenario, TheTrayIconOpensTheMenuWithTheKeyboardEvenWhenTheBarComesUpAfterMarbrel) {
  const std::string log = outputDir + "/marbrel.log";
  marbrel = session->start({MARBREL_EXECUTABLE}, log);
  ASSERT_TRUE(waitFor([&] { return readFile(log).find("clipboard through") != std::string::npos; }))
      << "Marbrel did not come up; see " << log;
  for (const char* text : {"alpha one", "beta two"}) {
    ASSERT_EQ(session->run({"sh", "-c", "exec wl-copy \"$0\" > /dev/null 2>&1", text}).exitCode, 0);
    ASSERT_TRUE(waitFor([&] { return recorded(text); })) << text;
  }

  // The bar starts after Marbrel, as at log-in or when sway reloads its configuration.
  bar = session->start({"swaybar", "-b", "tray"}, outputDir + "/swaybar.log");
  std::string item;
  ASSERT_TRUE(waitFor([&] { return !(item = registeredItem()).empty(); })) << "the icon never reached the tray";

  ASSERT_TRUE(click(item, "Activate"));
  ASSERT_TRUE(menuOpenWithKeyboard());
  session->keys({"-d", "60", "alp"});  // filters the menu down to "alpha one"
  EXPECT_TRUE(waitFor([&] { return screenshotMenu("filtered"); }));
  session->keys({"-M", "alt", "-k", "Return", "-m", "alt"});
  EXPECT_TRUE(waitFor([&] { return menuWindow().empty(); }));
  EXPECT_TRUE(waitFor([&] { return wlPaste() == "alpha one"; })) << "wl-paste: '" << wlPaste() << "'";

  // A right click opens the same menu; Escape closes it.
  ASSERT_TRUE(click(item, "ContextMenu"));
  ASSERT_TRUE(menuOpenWithKeyboard());
  session->keys({"-k", "Escape"});
  EXPECT_TRUE(waitFor([&] { return menuWindow().empty(); }));
}

}  // namespace
}  // namespace marbrel::e2e
