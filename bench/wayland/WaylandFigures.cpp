// Measures the running desktop program in a headless sway session (with XWayland) and, for the
// processor time per copy, on a private Xvfb as well, each with a seeded history: a copy by another
// program to the entry in the store, the processor time each recorded copy costs, and sway's key
// binding (which runs `marbrel`, handing over to the running program) to the menu drawn.
//   marbrel_wayland_figures MARBREL LOG_DIR [--copies N] [--runs N] [--entries N]
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <tuple>
#include <unistd.h>
#include <vector>

#include "CopySeries.h"
#include "EndWatch.h"
#include "FigureTable.h"
#include "HistorySeed.h"
#include "ProcessSample.h"
#include "SwayBindings.h"
#include "TracedProgram.h"
#include "support/Process.h"
#include "support/WaylandSession.h"
#include "support/XSession.h"

namespace marbrel::bench {
namespace {

using namespace std::chrono_literals;
using e2e::Process;

struct Options {
  std::string marbrel;
  std::string logDir;
  int copies = 40;
  int runs = 15;
  int entries = 10000;
};

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Makes this process's environment the session's, so that the programs it starts run in it.
void useEnvironment(const std::map<std::string, std::string>& env) {
  for (const auto& [key, value] : env) {
    if (value.empty() && key.rfind('-', 0) == 0) {
      ::unsetenv(key.c_str() + 1);
    } else {
      ::setenv(key.c_str(), value.c_str(), 1);
    }
  }
}

void sleepUntil(Clock::time_point at) {
  while (Clock::now() < at) std::this_thread::sleep_for(at - Clock::now());
}

// Polls until the program has said which session it found and the clipboard it uses ("X11 session:
// ...", "Wayland session: ..."); that line, or empty.
std::string waitForAdapters(TracedProgram& program, const std::string& log) {
  const auto deadline = Clock::now() + 60s;
  while (Clock::now() < deadline) {
    program.drain();
    const std::string text = readFile(log);
    if (const auto at = text.find(" session: "); at != std::string::npos) {
      const auto start = text.rfind('\n', at);
      return text.substr(start == std::string::npos ? 0 : start + 1, text.find('\n', at) - (start + 1));
    }
    std::this_thread::sleep_for(50ms);
  }
  return {};
}

struct MenuFigures {
  std::vector<double> fromBinding;  // sway ran the binding to the menu drawn
  std::vector<double> fromLaunch;   // wtype started to the menu drawn
  std::vector<double> launchToEnd;  // `marbrel` started directly to its end (handed over)
  std::vector<double> launchToMenu; // `marbrel` started directly to the menu drawn
  std::vector<double> launchCpu;    // its processor time, ms (in clock ticks)
  std::vector<double> ran, waited;
  int lostKeys = 0;
  int noKeyboard = 0;
  std::string screenshot;
};

class WaylandRun {
 public:
  explicit WaylandRun(const Options& options) : options_(options) {}

  // False when the session or the program could not be brought up.
  bool run(CopyFigures& copies, MenuFigures& menus) {
    const std::string logDir = options_.logDir + "/wayland";
    session_ = std::make_unique<e2e::WaylandSession>(e2e::Compositor::sway, logDir,
                                                     "bindsym ctrl+shift+v exec " + options_.marbrel);
    if (!session_->problem().empty()) {
      std::cerr << "wayland figures: no Wayland session: " << session_->problem() << "\n";
      return false;
    }
    env_ = session_->environment();
    useEnvironment(env_);
    if (session_->run({"test", "-x", options_.marbrel}).exitCode != 0) {
      std::cerr << "wayland figures: the session's user cannot run " << options_.marbrel << "\n";
      return false;
    }
    for (const auto& [key, type, value] : {std::tuple{"historySize", "-int", std::to_string(options_.entries)},
                                          std::tuple{"maxMenuItems", "-int", std::string("0")},
                                          std::tuple{"fuzzySearch", "-bool", std::string("true")}}) {
      session_->run({options_.marbrel, "defaults", "write", key, type, value});
    }
    const std::filesystem::path data = env_["XDG_DATA_HOME"];
    const auto store = data / "marbrel" / "MarbrelStorage.sqlite";
    if (!HistorySeed::write(store, options_.entries)) {
      std::cerr << "wayland figures: cannot write the history store " << store << "\n";
      return false;
    }
    // Seeded by this process; the store belongs to the session's user.
    struct stat owner {};
    ::stat(session_->runtimeDir().c_str(), &owner);
    for (const auto& entry : std::filesystem::recursive_directory_iterator(data)) {
      [[maybe_unused]] const int changed = ::chown(entry.path().c_str(), owner.st_uid, owner.st_gid);
    }

    ::setenv("MARBREL_TRACE_PAINT", "1", 1);
    const std::string log = logDir + "/marbrel.log";
    program_ = std::make_unique<TracedProgram>(session_->asUser({options_.marbrel}), log);
    ::unsetenv("MARBREL_TRACE_PAINT");
    const std::string adapters = waitForAdapters(*program_, log);
    std::cout << "wayland: " << (adapters.empty() ? "(the program did not say)" : adapters) << "\n";
    if (adapters.find("data-control") == std::string::npos && adapters.find("data_control") == std::string::npos) {
      std::cerr << "wayland figures: the program does not use the Wayland clipboard; see " << log << "\n";
      return false;
    }
    copies = CopySeries::measure(
        *program_, store,
        [&](const std::string& text) {
          return std::make_unique<Process>(
              session_->asUser({"sh", "-c", "exec wl-copy --type text/plain \"$0\"", text}), env_,
              logDir + "/wl-copy.log");
        },
        options_.copies, "wayland");
    menus = measureMenus(logDir);
    status_ = program_->terminate(30s);
    errors_ = program_->unresolvedErrors();
    program_.reset();
    session_.reset();
    return true;
  }

  int status() const { return status_; }
  int errors() const { return errors_; }

 private:
  // Runs wtype in the session (Ctrl+Shift+V and the like).
  std::unique_ptr<Process> press(const std::vector<std::string>& wtypeArguments) {
    std::vector<std::string> argv = {"wtype"};
    argv.insert(argv.end(), wtypeArguments.begin(), wtypeArguments.end());
    return std::make_unique<Process>(session_->asUser(argv), env_);
  }

  // Opens the menu `runs` times (after one that warms up) with `trigger`, which starts a process and
  // returns it, and closes it with Escape each time; `measured` gets each run's start and the drawn
  // menu's mark. False when the menu did not open or close.
  using Trigger = std::function<std::unique_ptr<Process>()>;
  using Measured = std::function<void(Clock::time_point, const TraceMark&)>;
  bool openMenus(MenuFigures& figures, const Trigger& trigger, const Measured& measured, const std::string& shot) {
    for (int run = -1; run < options_.runs; ++run) {
      // As on X11: the search that closing the menu runs may still be under way for 0.2 s.
      sleepUntil(closedAt_ + 600ms);
      const auto before = ProcessSample::mainThreadTimes(program_->pid());
      std::optional<TraceMark> drawn;
      Clock::time_point startedAt;
      std::unique_ptr<Process> started;  // runs on at least until the menu is drawn
      // A key pressed while the program is busy elsewhere can be lost: pressed again after 10 s.
      for (int attempt = 0; attempt < 3 && !drawn; ++attempt) {
        if (attempt) ++figures.lostKeys;
        startedAt = Clock::now();
        started = trigger();
        drawn = program_->waitFor([&](const TraceMark& m) { return m.what == "menu" && m.at >= startedAt; },
                                  startedAt + 10s);
      }
      const auto after = ProcessSample::mainThreadTimes(program_->pid());
      if (!drawn) {
        std::cerr << "wayland figures: the menu was not drawn\n";
        return false;
      }
      if (run >= 0) {
        measured(startedAt, *drawn);
        if (before && after) {
          figures.ran.push_back(after->ran - before->ran);
          figures.waited.push_back(after->waited - before->waited);
        }
      }
      // The menu must hold the keyboard for the keys a user types next.
      if (!e2e::waitFor([&] { return session_->focusedWindow() == "Marbrel Menu"; }, 10s)) ++figures.noKeyboard;
      if (run < 0 && !shot.empty()) figures.screenshot = screenshot(shot);
      std::optional<TraceMark> closed;
      for (int attempt = 0; attempt < 3 && !closed; ++attempt) {
        const auto escapedAt = Clock::now();
        session_->keys({"-k", "Escape"});
        closed = program_->waitFor([&](const TraceMark& m) { return m.what == "menu-closed" && m.at >= escapedAt; },
                                   escapedAt + 10s);
      }
      if (!closed) {
        std::cerr << "wayland figures: the menu did not close on Escape\n";
        return false;
      }
      closedAt_ = closed->at;
    }
    return true;
  }

  MenuFigures measureMenus(const std::string& logDir) {
    MenuFigures figures;
    SwayBindings bindings(env_["SWAYSOCK"]);
    if (!bindings.ok()) std::cerr << "wayland figures: cannot follow sway's bindings on " << env_["SWAYSOCK"] << "\n";
    closedAt_ = Clock::now();
    const bool opened = openMenus(
        figures, [&] { return press({"-M", "ctrl", "-M", "shift", "-k", "v", "-m", "shift", "-m", "ctrl"}); },
        [&](Clock::time_point pressedAt, const TraceMark& drawn) {
          figures.fromLaunch.push_back(milliseconds(drawn.at - pressedAt));
          if (const auto bound = bindings.firstAfter(pressedAt)) {
            figures.fromBinding.push_back(milliseconds(drawn.at - *bound));
          }
        },
        logDir + "/menu.png");
    if (bindings.ok() && !bindings.realTime()) {
      std::cerr << "wayland figures: no real-time priority for noting sway's bindings: the binding figure may "
                   "come out short\n";
    }
    if (!opened) return figures;
    // Where the time goes: `marbrel` started directly, its run until it has handed over and ended,
    // and on to the menu drawn by the running program.
    MenuFigures direct;
    std::unique_ptr<EndWatch> end;
    openMenus(
        direct,
        [&] {
          auto launch = std::make_unique<Process>(session_->asUser({options_.marbrel}), env_);
          end = std::make_unique<EndWatch>(launch->pid());
          return launch;
        },
        [&](Clock::time_point startedAt, const TraceMark& drawn) {
          figures.launchToMenu.push_back(milliseconds(drawn.at - startedAt));
          if (const auto ended = end->endedAt()) figures.launchToEnd.push_back(milliseconds(*ended - startedAt));
          if (const auto cpu = end->cpuSeconds()) figures.launchCpu.push_back(*cpu * 1000.0);
        },
        "");
    figures.noKeyboard += direct.noKeyboard;
    return figures;
  }

  // A picture of the open menu's window, for a look at what "drawn" means; the file, or empty.
  std::string screenshot(const std::string& file) {
    const std::string id =
        session_->run({"xdotool", "search", "--onlyvisible", "--name", "^Marbrel Menu$"}).out;
    if (id.empty()) return {};
    const std::string taken = session_->runtimeDir() + "/menu.png";
    session_->run({"import", "-window", id.substr(0, id.find('\n')), taken}, 30s);
    std::error_code error;
    std::filesystem::copy_file(taken, file, std::filesystem::copy_options::overwrite_existing, error);
    return error ? std::string() : file;
  }

  const Options& options_;
  std::unique_ptr<e2e::WaylandSession> session_;
  std::map<std::string, std::string> env_;
  std::unique_ptr<TracedProgram> program_;
  Clock::time_point closedAt_;
  int status_ = -1;
  int errors_ = 0;
};

// The same copies on X11: the program on a private Xvfb with a tray host, xclip as the copier.
bool runX11(const Options& options, CopyFigures& copies, int& status, int& errors) {
  const std::string logDir = options.logDir + "/x11";
  e2e::XSession x(logDir);
  if (!x.ok() || !x.startTray()) {
    std::cerr << "wayland figures: no X server with a tray host (see " << logDir << ")\n";
    return false;
  }
  auto env = x.environment();
  env["-SWAYSOCK"] = "";
  env["-XDG_SESSION_TYPE"] = "";
  useEnvironment(env);
  for (const auto& [key, type, value] : {std::tuple{"historySize", "-int", std::to_string(options.entries)},
                                        std::tuple{"maxMenuItems", "-int", std::string("0")},
                                        std::tuple{"fuzzySearch", "-bool", std::string("true")}}) {
    e2e::runCommand({options.marbrel, "defaults", "write", key, type, value}, env);
  }
  const auto store = std::filesystem::path(env["XDG_DATA_HOME"]) / "marbrel" / "MarbrelStorage.sqlite";
  if (!HistorySeed::write(store, options.entries)) {
    std::cerr << "wayland figures: cannot write the history store " << store << "\n";
    return false;
  }
  const std::string log = logDir + "/marbrel.log";
  TracedProgram program({options.marbrel}, log);
  const std::string adapters = waitForAdapters(program, log);
  std::cout << "x11: " << (adapters.empty() ? "(the program did not say)" : adapters) << "\n";
  if (adapters.find("X11 session") == std::string::npos) {
    std::cerr << "wayland figures: the program does not use the X clipboard; see " << log << "\n";
    return false;
  }
  copies = CopySeries::measure(
      program, store,
      [&](const std::string& text) {
        return std::make_unique<Process>(
            std::vector<std::string>{"sh", "-c", "printf %s \"$0\" | exec xclip -selection clipboard -t text/plain",
                                     text},
            env, logDir + "/xclip.log");
      },
      options.copies, "x11");
  status = program.terminate(30s);
  errors = program.unresolvedErrors();
  return true;
}

int measure(const Options& options) {
  const std::string loadBefore = ProcessSample::loadAverage();
  FigureTable table;
  CopyFigures x11, wayland;
  MenuFigures menus;
  int x11Status = -1, x11Errors = 0;
  const bool x11Ran = runX11(options, x11, x11Status, x11Errors);
  WaylandRun waylandRun(options);
  const bool waylandRan = waylandRun.run(wayland, menus);
  const std::string loadAfter = ProcessSample::loadAverage();

  const double x11Cpu = x11.cpuPerCopy.empty() ? 0 : FigureTable::median(x11.cpuPerCopy);
  table.add("wl-copy to entry in the store", wayland.recorded, 100, "ms", wayland.ran, wayland.waited);
  table.add("sway binding's key to menu drawn", menus.fromBinding, 100, "ms", menus.ran, menus.waited);
  // The target is the median on X11: without one, the figure fails.
  table.add("processor time per copy (<= X11's median)", wayland.cpuPerCopy, x11Cpu, "us");
  // For information, against the same targets: they decide nothing.
  FigureTable reference;
  reference.add("xclip to entry in the store (X11)", x11.recorded, 100, "ms", x11.ran, x11.waited);
  reference.add("wtype started to menu drawn (upper bound)", menus.fromLaunch, 100, "ms");
  reference.add("marbrel started to menu drawn", menus.launchToMenu, 100, "ms");
  reference.add("marbrel started to its hand-over and end", menus.launchToEnd, 100, "ms");
  reference.add("marbrel's processor time, start to end", menus.launchCpu, 100, "ms");

  std::cout << "load average before: " << loadBefore << "   after: " << loadAfter << " ("
            << std::thread::hardware_concurrency() << " cores)\n";
  const bool kept = table.print(std::cout) && x11Cpu > 0;
  std::cout << "for information: the copies on X11 (xclip, the program on Xvfb), and the menu's time from the\n"
               "binding's wtype started, and from `marbrel` started directly (its hand-over, its own processor time):\n";
  reference.print(std::cout);
  if (!x11.cpuPerCopy.empty()) {
    std::printf("processor time per copy on X11: median %.0f us, worst %.0f us over %zu copies\n", x11Cpu,
                *std::max_element(x11.cpuPerCopy.begin(), x11.cpuPerCopy.end()), x11.cpuPerCopy.size());
  }
  std::printf("processor time per copy from utime + stime over the series: Wayland %.1f ms, X11 %.1f ms\n",
              wayland.cpuTotalPerCopy, x11.cpuTotalPerCopy);
  std::cout << "ran, waited: medians of the time the program's main thread ran on a processor, and waited\n"
               "ready for one while other programs used them (large on a busy machine).\n";
  if (!menus.screenshot.empty()) std::cout << "the first menu drawn: " << menus.screenshot << "\n";
  if (menus.lostKeys) std::printf("binding presses repeated after no menu appeared: %d\n", menus.lostKeys);
  if (menus.noKeyboard) std::printf("menus that did not get the keyboard: %d\n", menus.noKeyboard);
  if (wayland.lost || x11.lost) std::printf("copies never recorded: Wayland %d, X11 %d\n", wayland.lost, x11.lost);
  bool clean = x11Ran && waylandRan && wayland.lost == 0 && x11.lost == 0;
  for (const auto& [name, status, errors] : {std::tuple{"X11", x11Status, x11Errors},
                                             std::tuple{"Wayland", waylandRun.status(), waylandRun.errors()}}) {
    if (status != 0) std::printf("the program on %s ended with status %d (logs in %s)\n", name, status, options.logDir.c_str());
    if (errors) std::printf("the program on %s printed %d \"Unresolved error\" lines\n", name, errors);
    clean = clean && status == 0 && errors == 0;
  }
  return kept && clean ? 0 : 1;
}

int usage() {
  std::cerr << "usage: marbrel_wayland_figures MARBREL LOG_DIR [--copies N] [--runs N] [--entries N]\n";
  return 2;
}

}  // namespace
}  // namespace marbrel::bench

int main(int argc, char** argv) {
  using namespace marbrel::bench;
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() < 2) return usage();
  Options options;
  options.marbrel = args[0];
  options.logDir = args[1];
  for (std::size_t i = 2; i < args.size(); i += 2) {
    if (i + 1 >= args.size()) return usage();
    const int value = std::atoi(args[i + 1].c_str());
    if (args[i] == "--copies") {
      options.copies = value;
    } else if (args[i] == "--runs") {
      options.runs = value;
    } else if (args[i] == "--entries") {
      options.entries = value;
    } else {
      return usage();
    }
  }
  if (options.copies < 1 || options.runs < 1 || options.entries < 1) return usage();
  return measure(options);
}
