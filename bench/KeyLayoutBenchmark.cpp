// How long the search header waits for a key event's Key, and what a layout switch costs.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>

#include "core/keylayout/Sauce.h"
#include "xkb/XkbKeyboardLayout.h"

namespace marbrel {
namespace {

std::unique_ptr<XkbKeyboardLayout> compile(const char* layoutText) {
  auto layout = XkbKeyboardLayout::fromNames(*XkbRuleNames::fromLayoutText(layoutText));
  if (!layout) std::abort();
  return layout;
}

// One key event: a lookup under the selected German layout, across every code.
void BM_KeyForKeyCode(benchmark::State& state) {
  const auto layout = compile("de");
  NotificationCenter notifications;
  const Sauce sauce(*layout, notifications);
  std::uint16_t code = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(sauce.keyForKeyCode(code));
    code = static_cast<std::uint16_t>((code + 1) & 0xFF);
  }
}
BENCHMARK(BM_KeyForKeyCode);

// Building the maps of a four-group keymap: what start-up and a keymap change cost.
void BM_BuildMapsForFourLayouts(benchmark::State& state) {
  const auto layout = compile("us,de,fr,ru");
  NotificationCenter notifications;
  for (auto _ : state) {
    Sauce sauce(*layout, notifications);
    benchmark::DoNotOptimize(sauce.keyForKeyCode(16));
  }
}
BENCHMARK(BM_BuildMapsForFourLayouts)->Unit(benchmark::kMillisecond);

// Compiling a keymap from names, as `marbrel keymap` does once.
void BM_CompileKeymap(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(compile("de"));
}
BENCHMARK(BM_CompileKeymap)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace marbrel
