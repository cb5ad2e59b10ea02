// Speed of opening the history menu over 10,000, 100,000 and 1,000,000 entries of 500 characters
// (two rows each): after a copy, the first time, and one keystroke of the plain search.

#include <benchmark/benchmark.h>

#include <memory>

#include "core/menu/MenuFooter.h"
#include "support/FilledMenu.h"

namespace marbrel {
namespace {

// A menu over `entries` texts, one in 500 pinned, below a title and above the footer.
struct History10k : bench::FilledMenu {
  explicit History10k(std::size_t entries) : FilledMenu(entries, 0, 500) {
    menu.addItem(std::make_shared<MenuItem>("Marbrel"));
    for (const MenuFooter footer : allMenuFooterCases()) {
      menu.addItem(makeMenuFooterItem(footer, configuration, strings));
    }
  }
};

// Every opening after the first, when the rows' texts are known from the previous one.
void BM_MenuRebuild(benchmark::State& state) {
  History10k fixture(static_cast<std::size_t>(state.range(0)));
  fixture.menu.menuWillOpen();
  for (auto _ : state) {
    fixture.menu.menuWillOpen();
    benchmark::DoNotOptimize(fixture.menu.size());
  }
  state.counters["rows"] = static_cast<double>(2 * fixture.menu.historyOrder().size());
}

// The first opening: every entry's text is read and measured.
void BM_MenuFirstOpen(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    auto fixture = std::make_unique<History10k>(static_cast<std::size_t>(state.range(0)));
    state.ResumeTiming();
    fixture->menu.menuWillOpen();
    benchmark::DoNotOptimize(fixture->menu.size());
    state.PauseTiming();
    fixture.reset();
    state.ResumeTiming();
  }
}

// One keystroke of the search field with the plain search: filter, reorder, renumber, highlight.
void BM_MenuFilter(benchmark::State& state) {
  History10k fixture(static_cast<std::size_t>(state.range(0)));
  fixture.menu.menuWillOpen();
  bool flip = false;
  for (auto _ : state) {
    fixture.menu.updateFilter(flip ? "paste" : "");
    flip = !flip;
    benchmark::DoNotOptimize(fixture.menu.size());
  }
}

// A new copy arrives while the menu is closed, then the menu opens: the cycle of everyday use.
void BM_MenuOpenAfterCopy(benchmark::State& state) {
  History10k fixture(static_cast<std::size_t>(state.range(0)));
  fixture.configuration.setHistorySize(state.range(0) + 1000000);
  fixture.menu.menuWillOpen();
  int n = 0;
  for (auto _ : state) {
    fixture.queue.advance(1);
    fixture.history.add(fixture.store->insertItem({{std::string("text/plain"), "copy " + std::to_string(n++)}}));
    fixture.menu.menuWillOpen();
    benchmark::DoNotOptimize(fixture.menu.size());
  }
}

// 10,000 and 100,000 entries five times over; 1,000,000 (minutes to set up) once.
void sizes(benchmark::internal::Benchmark* b) {
  b->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly();
}
void hugeSize(benchmark::internal::Benchmark* b) { b->Arg(1000000)->Unit(benchmark::kMillisecond); }

BENCHMARK(BM_MenuRebuild)->Apply(sizes);
BENCHMARK(BM_MenuRebuild)->Apply(hugeSize);
BENCHMARK(BM_MenuOpenAfterCopy)->Apply(sizes);
BENCHMARK(BM_MenuOpenAfterCopy)->Apply(hugeSize);
BENCHMARK(BM_MenuFirstOpen)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_MenuFirstOpen)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_MenuFilter)->Apply(sizes);

}  // namespace
}  // namespace marbrel
