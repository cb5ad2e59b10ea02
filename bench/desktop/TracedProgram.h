#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

#include "support/Process.h"

namespace marbrel::bench {

using Clock = std::chrono::steady_clock;

// A span of the clock in milliseconds, the unit of the figures.
inline double milliseconds(Clock::duration span) {
  return std::chrono::duration<double, std::milli>(span).count();
}

// One timing mark the program printed: what was painted (or closed), a detail, and when.
struct TraceMark {
  std::string what;
  long long detail = 0;
  Clock::time_point at;
};

// The desktop program started with its paint trace on: its standard output and error come through a
// pipe, trace marks are parsed from it and every other line goes to a log file.
class TracedProgram {
 public:
  // Starts `argv` (its first word looked up in PATH); `startedAt` is taken just before the process is
  // created.
  TracedProgram(const std::vector<std::string>& argv, const std::string& logFile);
  // Stops the program (SIGTERM, then SIGKILL after a deadline) if it still runs.
  ~TracedProgram();
  TracedProgram(const TracedProgram&) = delete;
  TracedProgram& operator=(const TracedProgram&) = delete;

  bool started() const { return pid_ > 0; }
  pid_t pid() const { return pid_; }
  Clock::time_point startedAt() const { return startedAt_; }

  // The first mark not yet consumed that satisfies `wanted`, waiting for it until `deadline`. Marks
  // read on the way that do not satisfy it are dropped.
  std::optional<TraceMark> waitFor(const std::function<bool(const TraceMark&)>& wanted, Clock::time_point deadline);
  // Reads what the program printed so far without waiting.
  void drain();
  // How many "Unresolved error" lines the program printed.
  int unresolvedErrors() const { return unresolvedErrors_; }

  // Sends SIGTERM and waits for the exit; SIGKILL at the deadline. The exit status, or -1 when killed.
  int terminate(Clock::duration patience);

 private:
  bool readSome(int timeoutMilliseconds);
  void takeLine(const std::string& line);

  std::unique_ptr<e2e::Process> process_;
  pid_t pid_ = -1;
  int output_ = -1;
  int log_ = -1;
  Clock::time_point startedAt_;
  std::string pending_;
  std::vector<TraceMark> marks_;
  int unresolvedErrors_ = 0;
  std::optional<int> exitStatus_;
};

}  // namespace marbrel::bench
