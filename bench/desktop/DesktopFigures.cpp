// Measures the running desktop program on the X display in $DISPLAY (a private Xvfb with a tray
// host, started by bench/desktop-figures): start-up to the tray icon drawn, the shortcut to the menu
// drawn, a keystroke to the filtered menu drawn, idle processor use and resident memory. The program
// prints its paint marks (MARBREL_TRACE_PAINT) with the same steady clock this driver reads.
//   marbrel_desktop_figures seed STORE_FILE COUNT
//   marbrel_desktop_figures measure MARBREL LOG_DIR [--runs N] [--idle-seconds S] [--key KEYSYM] [--memory-target MB]
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "FigureTable.h"
#include "HistorySeed.h"
#include "ProcessSample.h"
#include "TracedProgram.h"
#include "XDisplay.h"

namespace marbrel::bench {
namespace {

using namespace std::chrono_literals;

struct Options {
  std::string marbrel;
  std::string logDir;
  int runs = 15;
  int idleSeconds = 60;
  std::string key = "q";
  double memoryTargetMB = 80;
};

bool isMark(const TraceMark& mark, const char* what, Clock::time_point after) {
  return mark.what == what && mark.at >= after;
}

// Waits until `condition` holds, checking every 10 ms, until `deadline`.
template <typename Condition>
bool waitUntil(Condition condition, Clock::time_point deadline) {
  while (!condition()) {
    if (Clock::now() >= deadline) return false;
    std::this_thread::sleep_for(10ms);
  }
  return true;
}

class Measurement {
 public:
  explicit Measurement(Options options) : options_(std::move(options)) {}

  int run() {
    if (!display_.isOpen()) {
      std::cerr << "desktop figures: cannot open the X display with XTest ($DISPLAY)\n";
      return 2;
    }
    ::setenv("MARBREL_TRACE_PAINT", "1", 1);
    const std::string loadBefore = ProcessSample::loadAverage();
    measureStartUps();
    if (program_) measureMenus();
    if (program_) measureIdle();
    int status = -1;
    int errors = 0;
    if (program_) {
      status = program_->terminate(30s);
      errors = program_->unresolvedErrors();
      program_.reset();
    }
    const std::string loadAfter = ProcessSample::loadAverage();

    FigureTable table;
    table.add("shortcut to menu drawn (Ctrl+Shift+V)", openTimes_, 100, "ms", openRan_, openWaited_);
    table.add("keystroke to filtered menu drawn (fuzzy)", searchTimes_, 50, "ms", searchRan_, searchWaited_);
    table.add("start-up to tray icon drawn", startTimes_, 300, "ms", startRan_, startWaited_);
    table.add("idle processor use over " + std::to_string(options_.idleSeconds) + " s", idleCpu_, 0.5, "%");
    table.add("resident memory after the first menu", rssFirstMenu_, options_.memoryTargetMB, "MB");
    std::cout << "load average before: " << loadBefore << "   after: " << loadAfter << " ("
              << std::thread::hardware_concurrency() << " cores)\n";
    const bool kept = table.print(std::cout);
    std::cout << "ran, waited: medians of the time the program's main thread ran on a processor, and waited\n"
                 "ready for one while other programs used them (large on a busy machine).\n";
    if (!rssLast_.empty()) {
      std::printf("resident memory after %zu menus: %.1f MB\n", openTimes_.size() + 1, rssLast_.front());
    }
    if (lostKeys_) std::printf("shortcut presses repeated after no menu appeared: %d\n", lostKeys_);
    if (status != 0) std::printf("the program ended with status %d (log in %s)\n", status, options_.logDir.c_str());
    if (errors) std::printf("the program printed %d \"Unresolved error\" lines (log in %s)\n", errors, options_.logDir.c_str());
    return kept && status == 0 && errors == 0 ? 0 : 1;
  }

 private:
  std::unique_ptr<TracedProgram> start() {
    const std::string log = options_.logDir + "/marbrel.log";
    return std::make_unique<TracedProgram>(std::vector<std::string>{options_.marbrel}, log);
  }

  // Starts the program `runs` times and keeps the last one running for the other figures.
  void measureStartUps() {
    for (int run = 0; run < options_.runs; ++run) {
      auto program = start();
      if (!program->started()) {
        std::cerr << "desktop figures: cannot start " << options_.marbrel << "\n";
        return;
      }
      const auto mark = program->waitFor([&](const TraceMark& m) { return m.what == "tray"; }, Clock::now() + 60s);
      if (!mark) {
        std::cerr << "desktop figures: the tray icon was not drawn within 60 s (is a tray host running?)\n";
        return;
      }
      if (!display_.isEmbeddedAndViewable(static_cast<unsigned long>(mark->detail))) {
        std::cerr << "desktop figures: the tray icon was drawn outside a tray host\n";
        return;
      }
      startTimes_.push_back(milliseconds(mark->at - program->startedAt()));
      if (const auto times = ProcessSample::mainThreadTimes(program->pid())) {
        startRan_.push_back(times->ran);
        startWaited_.push_back(times->waited);
      }
      if (run + 1 == options_.runs) {
        program_ = std::move(program);
      } else if (program->terminate(30s) != 0) {
        std::cerr << "desktop figures: the program did not end cleanly after start-up " << run + 1 << "\n";
        return;
      }
    }
  }

  // Presses the shortcut until the menu is drawn (a key pressed while the program still starts up
  // can be lost); returns when it was drawn and the row count, or nothing.
  std::optional<TraceMark> openMenu(Clock::time_point& pressedAt) {
    for (int attempt = 0; attempt < 3; ++attempt) {
      if (attempt) ++lostKeys_;
      pressedAt = Clock::now();
      display_.press({"Control_L", "Shift_L", "v"});
      auto mark = program_->waitFor([&](const TraceMark& m) { return isMark(m, "menu", pressedAt); }, pressedAt + 10s);
      if (mark) return mark;
    }
    return std::nullopt;
  }

  bool closeMenu() {
    const auto pressedAt = Clock::now();
    display_.press({"Escape"});
    const auto mark = program_->waitFor([&](const TraceMark& m) { return isMark(m, "menu-closed", pressedAt); },
                                        pressedAt + 10s);
    if (mark) closedAt_ = mark->at;
    return bool(mark);
  }

  // The search filters at once only after 0.2 s without a search. Closing the menu clears the query
  // and filters again, and that search itself waits 0.2 s when it follows the measured keystroke's,
  // so it may run as late as 0.2 s after the close: wait until 0.2 s after that, with a margin, so
  // each keystroke is measured the same way.
  void waitForQuietSearch() {
    const auto quietFrom = closedAt_ + 600ms;
    while (Clock::now() < quietFrom) std::this_thread::sleep_for(quietFrom - Clock::now());
  }

  void measureMenus() {
    // The first opening warms up (the program may still be busy after its icon appeared).
    for (int run = -1; run < options_.runs; ++run) {
      waitForQuietSearch();
      Clock::time_point pressedAt;
      const auto beforeOpen = ProcessSample::mainThreadTimes(program_->pid());
      const auto opened = openMenu(pressedAt);
      const auto afterOpen = ProcessSample::mainThreadTimes(program_->pid());
      if (!opened) {
        std::cerr << "desktop figures: the menu was not drawn after the shortcut\n";
        program_->terminate(30s);
        program_.reset();
        return;
      }
      if (run >= 0) {
        openTimes_.push_back(milliseconds(opened->at - pressedAt));
        addThreadTimes(beforeOpen, afterOpen, openRan_, openWaited_);
      }
      if (run == -1) {
        if (const auto rss = ProcessSample::residentKilobytes(program_->pid())) rssFirstMenu_.push_back(*rss / 1024.0);
      }
      // Keys typed before the pop-up holds the keyboard would go elsewhere.
      if (!waitUntil([&] { return display_.keyboardGrabbedElsewhere(); }, Clock::now() + 10s)) {
        std::cerr << "desktop figures: the menu did not take the keyboard\n";
      }
      const auto beforeSearch = ProcessSample::mainThreadTimes(program_->pid());
      const auto typedAt = Clock::now();
      display_.press({options_.key});
      const long long allRows = opened->detail;
      const auto filtered = program_->waitFor(
          [&](const TraceMark& m) { return isMark(m, "menu", typedAt) && m.detail != allRows; }, typedAt + 10s);
      const auto afterSearch = ProcessSample::mainThreadTimes(program_->pid());
      if (!filtered) {
        std::cerr << "desktop figures: typing \"" << options_.key << "\" did not change the menu's " << allRows
                  << " rows within 10 s\n";
      } else if (run >= 0) {
        searchTimes_.push_back(milliseconds(filtered->at - typedAt));
        addThreadTimes(beforeSearch, afterSearch, searchRan_, searchWaited_);
      }
      if (!closeMenu()) {
        std::cerr << "desktop figures: the menu did not close on Escape\n";
        return;
      }
    }
    if (const auto rss = ProcessSample::residentKilobytes(program_->pid())) rssLast_.push_back(*rss / 1024.0);
  }

  static void addThreadTimes(const std::optional<ProcessSample::ThreadTimes>& before,
                             const std::optional<ProcessSample::ThreadTimes>& after, std::vector<double>& ran,
                             std::vector<double>& waited) {
    if (!before || !after) return;
    ran.push_back(after->ran - before->ran);
    waited.push_back(after->waited - before->waited);
  }

  void measureIdle() {
    waitForQuietSearch();
    program_->drain();
    const auto firstAt = Clock::now();
    const auto first = ProcessSample::cpuSeconds(program_->pid());
    // The program's trace pipe is read now and then so it can never block on a full pipe.
    const auto end = firstAt + std::chrono::seconds(options_.idleSeconds);
    while (Clock::now() < end) {
      std::this_thread::sleep_for(std::min<Clock::duration>(end - Clock::now(), 1s));
      program_->drain();
    }
    const auto last = ProcessSample::cpuSeconds(program_->pid());
    const auto lastAt = Clock::now();
    if (!first || !last) return;
    const double wall = std::chrono::duration<double>(lastAt - firstAt).count();
    idleCpu_.push_back(100.0 * (*last - *first) / wall);
  }

  Options options_;
  XDisplay display_;
  std::unique_ptr<TracedProgram> program_;
  Clock::time_point closedAt_;
  int lostKeys_ = 0;
  std::vector<double> startTimes_, openTimes_, searchTimes_, idleCpu_, rssFirstMenu_, rssLast_;
  std::vector<double> startRan_, startWaited_, openRan_, openWaited_, searchRan_, searchWaited_;
};

int usage() {
  std::cerr << "usage: marbrel_desktop_figures seed STORE_FILE COUNT\n"
               "       marbrel_desktop_figures measure MARBREL LOG_DIR [--runs N] [--idle-seconds S] [--key KEYSYM]\n"
               "                                        [--memory-target MB]\n";
  return 2;
}

}  // namespace
}  // namespace marbrel::bench

int main(int argc, char** argv) {
  using namespace marbrel::bench;
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() == 3 && args[0] == "seed") {
    const int count = std::atoi(args[2].c_str());
    if (count <= 0) return usage();
    if (!HistorySeed::write(args[1], count)) {
      std::cerr << "desktop figures: cannot write the history store " << args[1] << "\n";
      return 1;
    }
    return 0;
  }
  if (args.size() < 3 || args[0] != "measure") return usage();
  Options options;
  options.marbrel = args[1];
  options.logDir = args[2];
  for (std::size_t i = 3; i < args.size(); i += 2) {
    if (i + 1 >= args.size()) return usage();
    const std::string& name = args[i];
    const std::string& value = args[i + 1];
    if (name == "--runs") {
      options.runs = std::atoi(value.c_str());
    } else if (name == "--idle-seconds") {
      options.idleSeconds = std::atoi(value.c_str());
    } else if (name == "--key") {
      options.key = value;
    } else if (name == "--memory-target") {
      options.memoryTargetMB = std::atof(value.c_str());
    } else {
      return usage();
    }
  }
  if (options.runs < 1 || options.idleSeconds < 1 || !(options.memoryTargetMB > 0)) return usage();
  return Measurement(options).run();
}
