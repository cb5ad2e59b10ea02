#include "CopySeries.h"

#include <chrono>
#include <iostream>
#include <optional>
#include <thread>

#include "ProcessSample.h"
#include "StoreWatch.h"

namespace marbrel::bench {

using namespace std::chrono_literals;

CopyFigures CopySeries::measure(TracedProgram& program, const std::filesystem::path& store, const Copier& copier,
                          int copies, const std::string& tag) {
  CopyFigures figures;
  StoreWatch watch(store);
  if (!watch.problem().empty()) {
    std::cerr << "wayland figures: " << watch.problem() << "\n";
    return figures;
  }
  std::vector<std::unique_ptr<e2e::Process>> copiers;
  std::optional<double> cpuBefore, ranBefore;
  for (int copy = -1; copy < copies; ++copy) {
    // Time for what the program does after storing the copy, counted with that copy.
    std::this_thread::sleep_for(400ms);
    program.drain();
    const auto ranNow = ProcessSample::threadsRan(program.pid());
    if (copy == 0) cpuBefore = ProcessSample::cpuSeconds(program.pid());
    if (copy > 0 && ranBefore && ranNow) figures.cpuPerCopy.push_back((*ranNow - *ranBefore) * 1000.0);
    ranBefore = ranNow;

    const std::string text = "figure copy " + tag + " " + std::to_string(copy + 1) + " of " + std::to_string(copies);
    const auto before = ProcessSample::mainThreadTimes(program.pid());
    const auto copiedAt = Clock::now();
    copiers.push_back(copier(text));
    const auto recordedAt = watch.waitForText(text, copiedAt + 10s);
    const auto after = ProcessSample::mainThreadTimes(program.pid());
    if (!recordedAt) {
      ++figures.lost;
      std::cerr << "wayland figures: \"" << text << "\" was not in the store within 10 s\n";
      continue;
    }
    if (copy < 0) continue;
    figures.recorded.push_back(milliseconds(*recordedAt - copiedAt));
    if (before && after) {
      figures.ran.push_back(after->ran - before->ran);
      figures.waited.push_back(after->waited - before->waited);
    }
    // Copiers that already handed their copy over have ended; the others serve it until replaced.
    if (copiers.size() > 4) copiers.erase(copiers.begin());
  }
  std::this_thread::sleep_for(400ms);
  program.drain();
  if (const auto ranNow = ProcessSample::threadsRan(program.pid()); ranBefore && ranNow) {
    figures.cpuPerCopy.push_back((*ranNow - *ranBefore) * 1000.0);
  }
  const auto cpuAfter = ProcessSample::cpuSeconds(program.pid());
  if (cpuBefore && cpuAfter) figures.cpuTotalPerCopy = (*cpuAfter - *cpuBefore) * 1000.0 / copies;
  return figures;
}

}  // namespace marbrel::bench
