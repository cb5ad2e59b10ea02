// Adding a copy to, and reading, a history of 10,000, 100,000 or 1,000,000 unpinned entries on disk.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

#include "core/config/Configuration.h"
#include "core/config/Defaults.h"
#include "core/config/ProcessArguments.h"
#include "core/history/History.h"
#include "core/history/HistoryStore.h"
#include "fakes/FakeMainQueue.h"
#include "support/TempDir.h"

namespace marbrel {
namespace {

std::vector<NewContent> copyOf(int n) {
  const std::string text = "copied text number " + std::to_string(n) + " with a little more to read";
  return {{"text/plain", text}, {"text/html", "<p>" + text + "</p>"}, {"text/x-moz-url-priv", "https://example.org/"}};
}

// A store of `entries` unpinned entries with "historySize" set to hold them all.
struct FullHistory {
  testing::TempDir dir;
  FakeMainQueue clock;
  Defaults defaults{std::filesystem::path{}};
  ProcessArguments arguments;
  Configuration configuration{defaults, arguments};
  std::unique_ptr<HistoryStore> store;
  std::unique_ptr<History> history;
  int entries;
  int next = 0;

  explicit FullHistory(int count) : entries(count) {
    store = HistoryStore::open(dir / "MarbrelStorage.sqlite", clock, false);
    history = std::make_unique<History>(*store, configuration);
    configuration.setHistorySize(entries);
    for (; next < entries; ++next) {
      clock.advance(1);
      store->insertItem(copyOf(next));
    }
    store->saveContext();
  }
};

void BM_HistoryAdd(benchmark::State& state, bool duplicate) {
  FullHistory full(static_cast<int>(state.range(0)));
  std::uint32_t pick = 12345;
  for (auto _ : state) {
    full.clock.advance(1);
    // A duplicate repeats one of the entries still kept (the newest `entries` numbers).
    pick = pick * 1103515245u + 12345u;
    const int n = duplicate ? full.next - 1 - static_cast<int>(pick % static_cast<std::uint32_t>(full.entries / 2))
                            : full.next++;
    full.history->add(full.store->insertItem(copyOf(n)));
  }
  state.counters["entries"] = static_cast<double>(full.store->count());
}
BENCHMARK_CAPTURE(BM_HistoryAdd, distinct, false)->Arg(10'000)->Arg(100'000)->Arg(1'000'000)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_HistoryAdd, duplicate, true)->Arg(10'000)->Arg(100'000)->Arg(1'000'000)
    ->Unit(benchmark::kMicrosecond);

void BM_HistoryAll(benchmark::State& state) {
  FullHistory full(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    auto all = full.history->all();
    benchmark::DoNotOptimize(all.data());
  }
  state.counters["entries"] = static_cast<double>(full.store->count());
}
BENCHMARK(BM_HistoryAll)->Arg(10'000)->Arg(100'000)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace marbrel
