// The running program killed again and again while others copy: what it showed survives, once, in a sound store.
#include <csignal>
#include <fstream>
#include <random>
#include <set>
#include <sys/stat.h>
#include <thread>

#include "support/Scenario.h"

namespace marbrel::e2e {
namespace {

using Clock = std::chrono::steady_clock;

class CrashScenario : public Scenario {
 protected:
  CrashScenario() { tools = {"sqlite3"}; startsMarbrel = false; }

  // xclip serves `text` until another program copies; returns once another client reads it back.
  bool xclipCopy(const std::string& text) {
    const std::string file = outputDir + "/xclip-" + std::to_string(owners.size()) + ".txt";
    std::ofstream(file, std::ios::binary) << text;
    std::erase_if(owners, [](const auto& owner) { return !owner->running(); });
    owners.push_back(launch({"xclip", "-quiet", "-selection", "clipboard", "-i", file}, "xclip.log"));
    return waitFor([&] { return run({"xclip", "-selection", "clipboard", "-o"}, std::chrono::seconds(5)).out == text; },
                   std::chrono::seconds(10));
  }
  std::vector<std::string> titles() const {
    std::vector<std::string> list;
    for (const auto& entry : history()) list.push_back(entry.value("title", ""));
    return list;
  }
  // Copies fresh texts until one of them shows up in the history: capture works.
  bool captureWorks(const std::string& prefix) {
    int attempt = 0;
    return waitFor(
        [&] {
          const std::string probe = prefix + " probe " + std::to_string(attempt++);
          return xclipCopy(probe) && waitFor([&] { return contains(titles(), probe); }, std::chrono::seconds(4));
        },
        std::chrono::seconds(60));
  }
  std::string store() const { return x->home() + "/data/marbrel/MarbrelStorage.sqlite"; }
  // Sizes and change times of the store's files, to see a write the moment it happens.
  std::vector<std::int64_t> storeState() const {
    std::vector<std::int64_t> state;
    for (const std::string& file : {store(), store() + "-wal"}) {
      struct stat info {};
      info.st_size = ::stat(file.c_str(), &info) == 0 ? info.st_size : -1;
      state.insert(state.end(), {info.st_size, info.st_mtim.tv_sec, info.st_mtim.tv_nsec});
    }
    return state;
  }
  // Kills the program with no chance to clean up, and waits until it and its tray icon are gone.
  bool killMarbrel() {
    ::kill(marbrel->pid(), SIGKILL);
    return waitFor([&] { return !marbrel->running(); }, std::chrono::seconds(10)) &&
           waitFor([&] { return run({"xdotool", "search", "--classname", "marbrel"}).out.empty(); },
                   std::chrono::seconds(10));
  }
};

TEST_F(CrashScenario, KillsWhileCopyingLoseNothingShownAndLeaveASoundStore) {
  // Room for every copy this test makes, so none is dropped for the history's size.
  ASSERT_TRUE(setting("historySize", "999"));
  ASSERT_TRUE(startMarbrel()) << "Marbrel did not come up; see " << outputDir;
  const std::string runId = std::to_string(std::random_device()() % 1000000);
  // Fewer rounds on a very slow machine, at least ten.
  const auto budget = Clock::now() + std::chrono::seconds(180);
  std::set<std::string> shown;
  const auto noteShown = [&] {
    for (const auto& title : titles()) shown.insert(title);
  };
  int kills = 0;
  for (int round = 0; round < 50 && Clock::now() < budget; ++round) {
    const std::string prefix = "crash " + runId + " round " + std::to_string(round);
    ASSERT_TRUE(captureWorks(prefix)) << "capture did not resume after kill " << kills;
    // One more copy, killed by turns while waiting for the capture timer, the instant the store is
    // written, or once the history shows it (what it showed is noted first, to delay no kill).
    const std::string last = prefix + " last";
    if (round % 3 != 2) noteShown();
    const auto before = storeState();
    ASSERT_TRUE(xclipCopy(last));
    if (round % 3 == 1) {
      const auto deadline = Clock::now() + std::chrono::seconds(10);
      while (storeState() == before && Clock::now() < deadline) std::this_thread::sleep_for(std::chrono::milliseconds(1));
      EXPECT_NE(storeState(), before) << "the store was not written";
    } else if (round % 3 == 2) {
      EXPECT_TRUE(waitFor([&] { return contains(titles(), last); }, std::chrono::seconds(10)));
      noteShown();
    }
    ASSERT_TRUE(killMarbrel()) << "Marbrel did not die on SIGKILL";
    ++kills;
    ASSERT_TRUE(startMarbrel()) << "Marbrel did not come back after kill " << kills;
  }
  ASSERT_TRUE(captureWorks("crash " + runId + " final"));
  const auto last = titles();
  EXPECT_GE(kills, 10);
  for (const auto& title : shown) EXPECT_TRUE(contains(last, title)) << "lost after a kill: " << title;
  EXPECT_EQ(std::set<std::string>(last.begin(), last.end()).size(), last.size()) << "a copy stored twice";

  marbrel->stop(std::chrono::seconds(15));
  EXPECT_EQ(runCommand({"sqlite3", store(), "PRAGMA integrity_check"}).out, "ok\n");
  for (int launch = 0; launch < launches; ++launch) {
    const std::string printed = readFile(outputDir + "/marbrel-" + std::to_string(launch) + ".log");
    EXPECT_EQ(printed.find("Unresolved error"), std::string::npos) << printed;
  }
}

}  // namespace
}  // namespace marbrel::e2e
