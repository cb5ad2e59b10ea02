// Marbrel in a Wayland session (a headless sway), driven only by native Wayland programs: wl-copy
// and wl-paste, wtype for the keys, and a native Qt window as copier and paste target.
#include <algorithm>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "support/Process.h"
#include "support/WaylandSession.h"
#include "support/Scenario.h"
#include "support/XSession.h"

namespace marbrel::e2e {
namespace {

using namespace std::chrono_literals;

// The X stage of the base is not used: the scenario runs its own Wayland session.
class WaylandScenario : public Scenario {
 protected:
  void SetUp() override {
    outputDir = std::string(MARBREL_E2E_OUTPUT) + "/wayland-" + testName();
    std::error_code error;
    std::filesystem::remove_all(outputDir, error);
    // The desktop's own key binding runs marbrel, whose second launch pops the menu up.
    wayland = std::make_unique<WaylandSession>(outputDir, std::string("bindsym ctrl+shift+v exec ") + MARBREL_EXECUTABLE);
    if (!wayland->problem().empty()) GTEST_SKIP() << wayland->problem();
    if (wayland->run({"test", "-x", MARBREL_EXECUTABLE}).exitCode != 0) {
      GTEST_SKIP() << "the session's user cannot run " << MARBREL_EXECUTABLE << " (make the build folder readable)";
    }
    ASSERT_TRUE(startMarbrel()) << "Marbrel did not come up; see " << outputDir;
  }
  void TearDown() override {
    pasteTarget.reset();
    marbrel.reset();
    wayland.reset();
  }

  bool startMarbrel() {
    const std::string log = outputDir + "/marbrel-" + std::to_string(starts++) + ".log";
    marbrel = wayland->start({MARBREL_EXECUTABLE}, log);
    // Ready once it said which adapters it chose.
    return waitFor([&] { return readFile(log).find("clipboard through") != std::string::npos; });
  }
  nlohmann::json history() {
    const CommandResult r = wayland->run({MARBREL_EXECUTABLE, "history", "list", "--json"});
    const nlohmann::json list = nlohmann::json::parse(r.out, nullptr, false);
    return r.exitCode == 0 && list.is_array() ? list : nlohmann::json::array();
  }
  nlohmann::json entryTitled(const std::string& title) {
    for (const auto& entry : history()) {
      if (entry.value("title", "") == title) return entry;
    }
    return nullptr;
  }
  bool waitForEntry(const std::string& title) { return waitFor([&] { return !entryTitled(title).is_null(); }); }
  static std::vector<std::string> typesOf(const nlohmann::json& entry) {
    std::vector<std::string> types;
    for (const auto& type : entry.value("types", nlohmann::json::array())) types.push_back(type.get<std::string>());
    return types;
  }
  // wl-copy returns once the copy is the clipboard's, leaving a process that serves it (and keeps
  // its output open, so that goes elsewhere).
  bool wlCopy(const std::string& text) {
    return wayland->run({"sh", "-c", "exec wl-copy \"$0\" > /dev/null 2>&1", text}).exitCode == 0;
  }
  std::string wlPaste() { return wayland->run({"wl-paste", "--no-newline"}, 10s).out; }
  void copyTwoTexts() {
    ASSERT_TRUE(wlCopy("alpha one"));
    ASSERT_TRUE(waitForEntry("alpha one"));
    ASSERT_TRUE(wlCopy("beta two"));
    ASSERT_TRUE(waitForEntry("beta two"));
  }
  // Presses the compositor's binding for Ctrl+Shift+V until the menu has the keyboard.
  bool openMenu() {
    for (int attempt = 0; attempt < 3; ++attempt) {
      wayland->keys({"-M", "ctrl", "-M", "shift", "-k", "v", "-m", "shift", "-m", "ctrl"});
      if (waitFor([&] { return wayland->focusedWindow() == "Marbrel Menu"; }, 8s)) return true;
    }
    return false;
  }
  bool waitForMenuClosed() {
    return waitFor([&] { return wayland->run({"xdotool", "search", "--onlyvisible", "--name", "^Marbrel Menu$"}).out.empty(); });
  }
  // The menu (an XWayland window) as a picture; whether it looks drawn (many colours).
  bool screenshotMenu(const std::string& name) {
    const std::string id = wayland->run({"xdotool", "search", "--onlyvisible", "--name", "^Marbrel Menu$"}).out;
    if (id.empty()) return false;
    // Taken as the session's user, into a folder of its own, and kept with the scenario's logs.
    const std::string taken = wayland->runtimeDir() + "/" + name + ".png";
    wayland->run({"import", "-window", id.substr(0, id.find('\n')), taken}, 30s);
    const std::string file = outputDir + "/" + name + ".png";
    std::error_code error;
    std::filesystem::copy_file(taken, file, std::filesystem::copy_options::overwrite_existing, error);
    return !error && XSession::colourCount(file) > 16;
  }
  bool startPasteTarget() {
    pasteTarget = wayland->start({MARBREL_E2E_HELPER, "paste-target", wayland->runtimeDir() + "/pasted.txt"},
                                 outputDir + "/paste-target.log", {{"QT_QPA_PLATFORM", "wayland"}});
    return waitFor([&] { return wayland->focusedWindow() == "MarbrelPasteTarget"; });
  }
  std::string pastedText() { return readFile(wayland->runtimeDir() + "/pasted.txt"); }

  std::string outputDir;
  std::unique_ptr<WaylandSession> wayland;
  std::unique_ptr<Process> marbrel;
  std::unique_ptr<Process> pasteTarget;
  int starts = 0;
};

TEST_F(WaylandScenario, NativeCopiesAreRecordedWithTheirFormatsQuickOnesBothAndSecretOnesNever) {
  ASSERT_TRUE(wlCopy("plain words"));
  ASSERT_TRUE(waitForEntry("plain words"));
  const auto text = typesOf(entryTitled("plain words"));
  EXPECT_NE(std::find(text.begin(), text.end(), "text/plain"), text.end());
  for (const char* target : {"TEXT", "STRING", "UTF8_STRING"}) {
    EXPECT_EQ(std::find(text.begin(), text.end(), target), text.end()) << target << " is an X target, not a type";
  }
  ASSERT_TRUE(wayland->copy({{"text/plain", "rich words"}, {"text/html", "<b>rich</b> words"}}));
  ASSERT_TRUE(waitForEntry("rich words"));
  const auto rich = typesOf(entryTitled("rich words"));
  EXPECT_NE(std::find(rich.begin(), rich.end(), "text/html"), rich.end());

  ASSERT_TRUE(wayland->copy({{"text/plain", "hunter2-secret"}, {"x-kde-passwordManagerHint", "secret"}}));
  ASSERT_TRUE(wlCopy("after the secret"));
  ASSERT_TRUE(waitForEntry("after the secret"));
  EXPECT_TRUE(entryTitled("hunter2-secret").is_null());
  EXPECT_EQ(history().size(), 3u);

  ASSERT_TRUE(wlCopy("first of two"));
  std::this_thread::sleep_for(300ms);  // the gap between the copies is what is tested, not a wait
  ASSERT_TRUE(wlCopy("second of two"));
  ASSERT_TRUE(waitForEntry("second of two"));
  EXPECT_TRUE(waitForEntry("first of two"));
}

TEST_F(WaylandScenario, TheChosenEntryReachesWaylandProgramsCopiedOrPastedIntoANativeWindow) {
  copyTwoTexts();
  ASSERT_TRUE(openMenu()) << "the compositor's binding opens the menu with the keyboard";
  EXPECT_TRUE(screenshotMenu("opened"));
  wayland->keys({"-k", "Down", "-M", "alt", "-k", "Return", "-m", "alt"});
  EXPECT_TRUE(waitForMenuClosed());
  EXPECT_TRUE(waitFor([&] { return wlPaste() == "alpha one"; })) << "wl-paste: '" << wlPaste() << "'";
  // The copy is one like any other: merged into the entry it came from.
  ASSERT_TRUE(waitFor([&] { return entryTitled("alpha one").value("numberOfCopies", 0) == 2; }));

  ASSERT_TRUE(startPasteTarget());
  ASSERT_TRUE(openMenu());
  wayland->keys({"-d", "60", "alp"});  // filters the menu down to "alpha one"
  EXPECT_TRUE(waitFor([&] { return screenshotMenu("filtered"); }));
  wayland->keys({"-k", "Return"});
  EXPECT_TRUE(waitForMenuClosed());
  EXPECT_TRUE(waitFor([&] { return pastedText() == "alpha one"; })) << "pasted: '" << pastedText() << "'";
  EXPECT_EQ(wayland->focusedWindow(), "MarbrelPasteTarget") << "the keyboard went back to the window";
  EXPECT_TRUE(waitFor([&] { return entryTitled("alpha one").value("numberOfCopies", 0) == 3; }));
}

TEST_F(WaylandScenario, AStalledCopyDoesNotFreezeTheMenu) {
  copyTwoTexts();
  ASSERT_TRUE(wayland->copyStalled({"text/plain"}));
  ASSERT_TRUE(waitFor([&] { return wayland->lastCopierOutput().find("asked") != std::string::npos; }))
      << "Marbrel asks the owner for its bytes";
  // While the owner hangs, the menu opens, filters and closes as ever.
  ASSERT_TRUE(openMenu());
  wayland->keys({"-d", "60", "bet"});
  EXPECT_TRUE(waitFor([&] { return screenshotMenu("filtered-while-stalled"); }));
  wayland->keys({"-k", "Escape"});
  EXPECT_TRUE(waitForMenuClosed());
  ASSERT_TRUE(wlCopy("after the stall"));
  EXPECT_TRUE(waitForEntry("after the stall"));
  EXPECT_EQ(history().size(), 3u) << "the stalled copy is given up, nothing else";
}

TEST_F(WaylandScenario, KillingAndRestartingMarbrelLosesNothing) {
  copyTwoTexts();
  ::kill(marbrel->pid(), SIGKILL);
  ASSERT_TRUE(waitFor([&] { return !marbrel->running(); }));
  ASSERT_TRUE(startMarbrel());
  ASSERT_TRUE(wlCopy("after the restart"));
  ASSERT_TRUE(waitForEntry("after the restart"));
  EXPECT_FALSE(entryTitled("alpha one").is_null());
  EXPECT_FALSE(entryTitled("beta two").is_null());
  EXPECT_EQ(history().size(), 3u);
}

}  // namespace
}  // namespace marbrel::e2e
