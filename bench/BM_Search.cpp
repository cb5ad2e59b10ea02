// Speed of the history search over the menu's rows: a 5-character query over 10,000, 100,000 and
// 1,000,000 entries of 500 characters (two rows each), plain and fuzzy, and fuzzy with 100 more
// entries of 1 MB each.

#include <benchmark/benchmark.h>

#include <memory>

#include "support/FilledMenu.h"

namespace marbrel {
namespace {

using bench::FilledMenu;

void searchOver(benchmark::State& state, std::size_t large, bool fuzzy, const char* query) {
  FilledMenu open(static_cast<std::size_t>(state.range(0)), large);
  open.menu.menuWillOpen();
  open.configuration.setFuzzySearch(fuzzy);
  const auto& entries = open.menu.historyOrder();
  const Search& search = open.menu.search();
  // The first search after the entries appeared prepares their texts once; this measures the
  // keystrokes after it. Rows are counted two per entry, as the menu shows them.
  std::size_t found = 2 * search.searchEntries(query, entries, open.menu.entries()).size();
  for (auto _ : state) {
    found = 2 * search.searchEntries(query, entries, open.menu.entries()).size();
    benchmark::DoNotOptimize(found);
  }
  state.counters["rows"] = static_cast<double>(2 * entries.size());
  state.counters["found"] = static_cast<double>(found);
}

// The first fuzzy search over the entries, which prepares every text for the matcher.
void BM_SearchFuzzyLargeFirst(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    auto open = std::make_unique<FilledMenu>(static_cast<std::size_t>(state.range(0)), 100);
    open->menu.menuWillOpen();
    open->configuration.setFuzzySearch(true);
    state.ResumeTiming();
    benchmark::DoNotOptimize(
        open->menu.search().searchEntries("paset", open->menu.historyOrder(), open->menu.entries()).size());
    state.PauseTiming();
    open.reset();
    state.ResumeTiming();
  }
}

void BM_SearchFuzzy(benchmark::State& state) { searchOver(state, 0, true, "paset"); }
void BM_SearchExact(benchmark::State& state) { searchOver(state, 0, false, "paste"); }
void BM_SearchExactMiss(benchmark::State& state) { searchOver(state, 0, false, "qwxyz"); }
void BM_SearchFuzzyLarge(benchmark::State& state) { searchOver(state, 100, true, "paset"); }

// 10,000 and 100,000 entries five times over; 1,000,000 (minutes to set up) once.
void sizes(benchmark::internal::Benchmark* b) {
  b->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly();
}
void hugeSize(benchmark::internal::Benchmark* b) { b->Arg(1000000)->Unit(benchmark::kMillisecond); }

BENCHMARK(BM_SearchFuzzy)->Apply(sizes);
BENCHMARK(BM_SearchFuzzy)->Apply(hugeSize);
BENCHMARK(BM_SearchExact)->Apply(sizes);
BENCHMARK(BM_SearchExact)->Apply(hugeSize);
BENCHMARK(BM_SearchExactMiss)->Apply(sizes);
BENCHMARK(BM_SearchFuzzyLarge)->Arg(10000)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly();
BENCHMARK(BM_SearchFuzzyLargeFirst)->Arg(10000)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
}  // namespace marbrel
