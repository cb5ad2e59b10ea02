// Speed of the fuzzy matcher with the history search's settings: a 5-character query over
// 20,000 texts of 500 characters, over 100 texts of 1 MB, and what preparing texts costs.

#include <benchmark/benchmark.h>

#include <random>
#include <string>
#include <vector>

#include "core/fuzzy/Fuse.h"

namespace {

using marbrel::Fuse;
using marbrel::FuseText;

const std::vector<std::string> kAsciiWords = {
    "clipboard", "history", "the", "a", "menu", "paste", "copy", "search", "fuzzy", "matcher",
    "linux", "desktop", "window", "keyboard", "shortcut", "of", "and", "entry", "text", "Marbrel",
    "function", "return", "const", "std::string", "int", "{", "}", "=", "value", "2024"};
const std::vector<std::string> kUnicodeWords = {
    "caf\xC3\xA9", "na\xC3\xAFve", "stra\xC3\x9F" "e", "\xC4\xB0stanbul", "\xE4\xB8\xAD\xE6\x96\x87",
    "\xF0\x9F\x91\xA9\xE2\x80\x8D\xF0\x9F\x92\xBB", "\xF0\x9F\x87\xAB\xF0\x9F\x87\xB7", "e\xCC\x81t\xC3\xA9"};

// Text of about `characters` characters made of words; one in eight carries some non-ASCII words.
std::string makeText(std::mt19937& rng, std::size_t characters, bool unicode) {
  std::string text;
  while (text.size() < characters) {
    const bool foreign = unicode && rng() % 8 == 0;
    text += foreign ? kUnicodeWords[rng() % kUnicodeWords.size()] : kAsciiWords[rng() % kAsciiWords.size()];
    text += rng() % 12 == 0 ? "\n" : " ";
  }
  return text;
}

std::vector<FuseText> prepareAll(const Fuse& fuse, const std::vector<std::string>& texts) {
  std::vector<FuseText> prepared;
  prepared.reserve(texts.size());
  for (const auto& text : texts) prepared.push_back(fuse.prepare(text));
  return prepared;
}

std::vector<std::string> makeTexts(std::size_t count, std::size_t characters, bool unicode) {
  std::mt19937 rng(42);
  std::vector<std::string> texts;
  texts.reserve(count);
  for (std::size_t i = 0; i < count; ++i) texts.push_back(makeText(rng, characters, unicode));
  return texts;
}

// One keystroke of the history search: one pattern, every prepared row scored.
void scoreAll(benchmark::State& state, const std::vector<FuseText>& rows, const char* query) {
  const Fuse fuse;
  std::size_t matches = 0;
  for (auto _ : state) {
    const auto pattern = fuse.createPattern(query);
    matches = 0;
    for (const auto& row : rows) matches += fuse.score(*pattern, row).has_value();
    benchmark::DoNotOptimize(matches);
  }
  state.counters["matches"] = static_cast<double>(matches);
  state.counters["rows"] = static_cast<double>(rows.size());
}

void BM_FuseScoreRows(benchmark::State& state) {
  static const auto rows = prepareAll(Fuse(), makeTexts(static_cast<std::size_t>(state.range(0)), 500, false));
  scoreAll(state, rows, "fuzzy");
}
BENCHMARK(BM_FuseScoreRows)->Arg(20000)->Unit(benchmark::kMillisecond);

void BM_FuseScoreRowsUnicode(benchmark::State& state) {
  static const auto rows = prepareAll(Fuse(), makeTexts(static_cast<std::size_t>(state.range(0)), 500, true));
  scoreAll(state, rows, "caf\xC3\xA9s");
}
BENCHMARK(BM_FuseScoreRowsUnicode)->Arg(20000)->Unit(benchmark::kMillisecond);

void BM_FuseScoreRowsNoMatch(benchmark::State& state) {
  static const auto rows = prepareAll(Fuse(), makeTexts(static_cast<std::size_t>(state.range(0)), 500, false));
  scoreAll(state, rows, "qwxzj");
}
BENCHMARK(BM_FuseScoreRowsNoMatch)->Arg(20000)->Unit(benchmark::kMillisecond);

// 100 texts of 1 MB; "zzzzz" never occurs, so the literal search reads every byte.
void BM_FuseScoreLargeTexts(benchmark::State& state) {
  static const auto rows = prepareAll(Fuse(), makeTexts(100, 1 << 20, state.range(0) != 0));
  scoreAll(state, rows, "zzzzz");
}
BENCHMARK(BM_FuseScoreLargeTexts)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// The full result with ranges for one 1 MB text holding many exact occurrences.
void BM_FuseSearchWithRangesLargeText(benchmark::State& state) {
  static const auto text = Fuse().prepare(makeTexts(1, 1 << 20, false).front());
  const Fuse fuse;
  const auto pattern = fuse.createPattern("paste");
  for (auto _ : state) benchmark::DoNotOptimize(fuse.search(*pattern, text));
}
BENCHMARK(BM_FuseSearchWithRangesLargeText)->Unit(benchmark::kMillisecond);

// The one-call form, which prepares every text anew: what caching prepared texts saves.
void BM_FuseSearchRawRows(benchmark::State& state) {
  static const auto texts = makeTexts(static_cast<std::size_t>(state.range(0)), 500, state.range(1) != 0);
  const Fuse fuse;
  for (auto _ : state) {
    std::size_t matches = 0;
    for (const auto& text : texts) matches += fuse.search("fuzzy", text).has_value();
    benchmark::DoNotOptimize(matches);
  }
}
BENCHMARK(BM_FuseSearchRawRows)->Args({20000, 0})->Args({20000, 1})->Unit(benchmark::kMillisecond);

void BM_FusePrepare(benchmark::State& state) {
  static const auto ascii = makeTexts(1, 1 << 20, false).front();
  static const auto unicode = makeTexts(1, 1 << 20, true).front();
  const std::string& text = state.range(0) != 0 ? unicode : ascii;
  const Fuse fuse;
  for (auto _ : state) benchmark::DoNotOptimize(fuse.prepare(text));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_FusePrepare)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
