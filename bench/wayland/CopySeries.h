#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "TracedProgram.h"
#include "support/Process.h"

namespace marbrel::bench {

// What a series of copies by another program measured on the running program.
struct CopyFigures {
  std::vector<double> recorded;  // copy started to entry in the store, ms
  std::vector<double> ran, waited;
  std::vector<double> cpuPerCopy;  // all threads' run time from one copy to the next, µs
  double cpuTotalPerCopy = -1;     // the process's utime + stime over the series, per copy, ms
  int lost = 0;                    // copies never seen in the store
};

// Copies made one after another by another program while the desktop program runs, each timed from
// the copier's start to its entry in the store.
class CopySeries {
 public:
  // Starts another program that copies `text`; it may go on serving the copy.
  using Copier = std::function<std::unique_ptr<e2e::Process>(const std::string& text)>;

  // Copies `copies` distinct texts (after one that warms up), each once the one before is in the
  // store at `store` and the program has been quiet for a moment; `tag` goes into the texts.
  static CopyFigures measure(TracedProgram& program, const std::filesystem::path& store, const Copier& copier,
                             int copies, const std::string& tag);
};

}  // namespace marbrel::bench
