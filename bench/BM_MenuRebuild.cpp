// Speed of opening the history menu: reading 10,000 entries of 500 characters from the store,
// ordering them and building, numbering and highlighting their 20,000 rows.

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
  state.counters["rows"] = static_cast<double>(fixture.menu.historyItems().size());
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

BENCHMARK(BM_MenuRebuild)->Arg(10000)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly();
BENCHMARK(BM_MenuFirstOpen)->Arg(10000)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_MenuFilter)->Arg(10000)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly();

}  // namespace
}  // namespace marbrel
