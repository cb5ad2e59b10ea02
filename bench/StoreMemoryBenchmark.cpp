// Resident memory after opening a store of 200 five-megabyte images and reading the whole history:
// the bytes must stay on disk until someone asks for them. Runs in its own process so that no
// other benchmark's memory is counted.
#include <benchmark/benchmark.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <string>

#include "core/history/HistoryStore.h"
#include "fakes/FakeMainQueue.h"
#include "support/TempDir.h"

namespace marbrel {
namespace {

constexpr int kImages = 200;
constexpr std::size_t kImageSize = 5u * 1024 * 1024;
constexpr double kLimitMB = 100;

// The "VmRSS" or "VmHWM" line of /proc/self/status, in megabytes.
double statusMB(const std::string& key) {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind(key + ":", 0) == 0) return std::stod(line.substr(key.size() + 1)) / 1024.0;
  }
  return 0;
}

// Writes the store in a child process, so that its buffers never count against this one.
bool writeImages(const std::filesystem::path& file) {
  const pid_t child = ::fork();
  if (child == 0) {
    FakeMainQueue clock;
    auto store = HistoryStore::open(file, clock, false);
    for (int n = 0; n < kImages; ++n) {
      clock.advance(1);
      store->insertItem({{"image/png", std::string(kImageSize, static_cast<char>(n))}, {"text/uri-list", "file:///x"}});
      store->saveContext();
    }
    ::_exit(store->hasChanges() ? 1 : 0);
  }
  int status = 0;
  return child > 0 && ::waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void BM_StoreLargeImagesResident(benchmark::State& state) {
  testing::TempDir dir;
  const auto file = dir / "MarbrelStorage.sqlite";
  if (!writeImages(file)) {
    state.SkipWithError("could not write the store");
    return;
  }
  FakeMainQueue clock;
  double resident = 0;
  for (auto _ : state) {
    auto store = HistoryStore::open(file, clock, false);
    std::size_t bytes = 0;
    for (const auto& item : store->all()) {
      for (const auto& content : item->contents()) bytes += content->size();
    }
    benchmark::DoNotOptimize(bytes);
    resident = statusMB("VmRSS");
  }
  state.counters["rss_MB"] = resident;
  state.counters["peak_MB"] = statusMB("VmHWM");
  if (resident > kLimitMB) state.SkipWithError("resident memory above 100 MB");
}
BENCHMARK(BM_StoreLargeImagesResident)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace marbrel
