// Speed of opening the history menu: reading 10,000 entries of 500 characters from the store,
// ordering them and building, numbering and highlighting their 20,000 rows.

#include <benchmark/benchmark.h>

#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "core/config/Configuration.h"
#include "core/history/Clipboard.h"
#include "core/history/History.h"
#include "core/history/HistoryStore.h"
#include "core/menu/Menu.h"
#include "core/menu/MenuFooter.h"
#include "fakes/FakeImageDecoder.h"
#include "fakes/FakeKeySynthesizer.h"
#include "fakes/FakeMainQueue.h"
#include "fakes/FakePasteboard.h"
#include "fakes/FakeStrings.h"

namespace marbrel {
namespace {

const std::vector<std::string> kWords = {
    "clipboard", "history", "the", "a", "menu", "paste", "copy", "search", "fuzzy", "matcher",
    "linux", "desktop", "window", "keyboard", "shortcut", "of", "and", "entry", "text", "Marbrel",
    "#FF0000", "return", "const", "std::string", "int", "{", "}", "=", "value", "2024",
    "caf\u00E9", "stra\u00DFe", "\u4E2D\u6587", "na\u00EFve", "\U0001F600"};

struct History10k {
  explicit History10k(std::size_t entries) {
    configuration.setHistorySize(static_cast<std::int64_t>(entries));
    std::mt19937 rng(42);
    for (std::size_t i = 0; i < entries; ++i) {
      queue.advance(1);
      std::string text;
      while (text.size() < 500) {
        text += kWords[rng() % kWords.size()];
        text += rng() % 12 == 0 ? "\n" : " ";
      }
      const auto entry = store->insertItem({{std::string("text/plain"), text}});
      if (i % 500 == 0) entry->setPin(std::string(1, static_cast<char>('a' + i / 500 % 24)));
    }
    store->saveContext();
    menu.addItem(std::make_shared<MenuItem>("Marbrel"));
    for (const MenuFooter footer : allMenuFooterCases()) {
      menu.addItem(makeMenuFooterItem(footer, configuration, strings));
    }
  }

  std::ostringstream log;
  FakeMainQueue queue;
  Defaults defaults{""};
  ProcessArguments arguments;
  Configuration configuration{defaults, arguments};
  std::unique_ptr<HistoryStore> store = HistoryStore::open("", queue, true, log);
  History history{*store, configuration};
  FakePasteboard pasteboard;
  FakeKeySynthesizer keys;
  Clipboard clipboard{pasteboard, keys, queue, *store, configuration};
  FakeImageDecoder images;
  FakeStrings strings;
  Menu menu{history, clipboard, configuration, images, strings, std::mt19937(1)};
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
