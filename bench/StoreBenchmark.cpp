// Opening the history store: reading every entry's metadata into memory.
#include <benchmark/benchmark.h>

#include <string>

#include "core/history/HistoryStore.h"
#include "fakes/FakeMainQueue.h"
#include "support/TempDir.h"

namespace marbrel {
namespace {

void BM_StoreOpen(benchmark::State& state) {
  const int entries = static_cast<int>(state.range(0));
  testing::TempDir dir;
  const auto file = dir / "MarbrelStorage.sqlite";
  FakeMainQueue clock;
  {
    auto store = HistoryStore::open(file, clock, false);
    for (int n = 0; n < entries; ++n) {
      clock.advance(1);
      const std::string text = "copied text number " + std::to_string(n) + " with a little more to read";
      store->insertItem({{"text/plain", text}, {"text/html", "<p>" + text + "</p>"}});
    }
    store->saveContext();
  }
  for (auto _ : state) {
    auto store = HistoryStore::open(file, clock, false);
    benchmark::DoNotOptimize(store->count());
  }
}
BENCHMARK(BM_StoreOpen)->Arg(10'000)->Arg(100'000)->Arg(1'000'000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace marbrel
