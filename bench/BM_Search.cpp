// Speed of the history search over the menu's rows: a 5-character query over 10,000 entries of
// 500 characters (20,000 rows), plain and fuzzy, and fuzzy with 100 more entries of 1 MB each.

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
    "function", "return", "const", "std::string", "int", "{", "}", "=", "value", "2024",
    "caf\u00E9", "stra\u00DFe", "\u4E2D\u6587", "na\u00EFve", "\U0001F600"};

std::string makeText(std::mt19937& rng, std::size_t bytes) {
  std::string text;
  text.reserve(bytes + 16);
  while (text.size() < bytes) {
    text += kWords[rng() % kWords.size()];
    text += rng() % 12 == 0 ? "\n" : " ";
  }
  return text;
}

// A menu opened over `entries` texts of 500 bytes and `large` texts of 1 MB.
struct OpenMenu {
  OpenMenu(std::size_t entries, std::size_t large) {
    configuration.setHistorySize(static_cast<std::int64_t>(entries + large));
    std::mt19937 rng(42);
    for (std::size_t i = 0; i < entries + large; ++i) {
      queue.advance(1);
      store->insertItem({{std::string("text/plain"), makeText(rng, i < large ? 1 << 20 : 500)}});
    }
    store->saveContext();
    menu.menuWillOpen();
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

void searchOver(benchmark::State& state, std::size_t large, bool fuzzy, const char* query) {
  OpenMenu open(static_cast<std::size_t>(state.range(0)), large);
  open.configuration.setFuzzySearch(fuzzy);
  const auto& rows = open.menu.historyItems();
  // The first search after the entries appeared prepares their texts once; this measures the
  // keystrokes after it.
  std::size_t found = open.menu.search().searchItems(query, rows).size();
  for (auto _ : state) {
    found = open.menu.search().searchItems(query, rows).size();
    benchmark::DoNotOptimize(found);
  }
  state.counters["rows"] = static_cast<double>(rows.size());
  state.counters["found"] = static_cast<double>(found);
}

// The first fuzzy search over the entries, which prepares every text for the matcher.
void BM_SearchFuzzyLargeFirst(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    auto open = std::make_unique<OpenMenu>(static_cast<std::size_t>(state.range(0)), 100);
    open->configuration.setFuzzySearch(true);
    state.ResumeTiming();
    benchmark::DoNotOptimize(open->menu.search().searchItems("paset", open->menu.historyItems()).size());
    state.PauseTiming();
    open.reset();
    state.ResumeTiming();
  }
}

void BM_SearchFuzzy(benchmark::State& state) { searchOver(state, 0, true, "paset"); }
void BM_SearchExact(benchmark::State& state) { searchOver(state, 0, false, "paste"); }
void BM_SearchExactMiss(benchmark::State& state) { searchOver(state, 0, false, "qwxyz"); }
void BM_SearchFuzzyLarge(benchmark::State& state) { searchOver(state, 100, true, "paset"); }

BENCHMARK(BM_SearchFuzzy)->Arg(10000)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly();
BENCHMARK(BM_SearchExact)->Arg(10000)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly();
BENCHMARK(BM_SearchExactMiss)->Arg(10000)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly();
BENCHMARK(BM_SearchFuzzyLarge)->Arg(10000)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly();
BENCHMARK(BM_SearchFuzzyLargeFirst)->Arg(10000)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
}  // namespace marbrel
