#include "core/fuzzy/GraphemeBoundaries.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "ReferenceFuse.h"

namespace marbrel {
namespace {

// Code points of every kind the segmentation rules treat specially, and plain ones around them.
const std::vector<std::string> kCodePoints = {
    "a", " ", "\r", "\n", "\t", "\x7F",                    // ASCII, controls
    "\xC3\xA9", "\xD0\x96", "\xE4\xB8\xAD", "\xF0\x9D\x90\x80",  // letters of 2, 3, 4 bytes
    "\xCC\x81", "\xE2\x80\x8D", "\xEF\xB8\x8F",           // combining acute, ZWJ, variation selector
    "\xE0\xA4\x95", "\xE0\xA5\x8D", "\xE0\xA4\xB7", "\xE0\xA4\xBE",  // Devanagari ka, virama, ssa, sign aa
    "\xE0\xB8\x81", "\xE0\xB8\xB3",                       // Thai ko kai, sara am (SpacingMark)
    "\xD8\x80", "\xE0\xA5\x8E",                           // Prepend
    "\xE1\x84\x80", "\xE1\x85\xA1", "\xE1\x86\xA8", "\xEA\xB0\x80", "\xEA\xB0\x81",  // Hangul L V T LV LVT
    "\xF0\x9F\x87\xAB", "\xF0\x9F\x87\xB7",               // regional indicators
    "\xF0\x9F\x91\xA9", "\xF0\x9F\x92\xBB", "\xC2\xA9", "\xE2\x9D\xA4",  // pictographs
    "\xF0\x9F\x8F\xBD",                                   // skin tone modifier (Extend)
    "\xE2\x80\x8B", "\xEF\xBB\xBF"};                      // zero width space, BOM (Control)

std::vector<std::string> clustersOf(const std::string& text) {
  const auto bits = GraphemeBoundaries::of(text);
  std::vector<std::string> clusters;
  std::size_t begin = 0;
  for (std::size_t offset = 1; offset <= text.size(); ++offset) {
    if ((bits[offset / 64] >> (offset % 64)) & 1) {
      clusters.push_back(text.substr(begin, offset - begin));
      begin = offset;
    }
  }
  return clusters;
}

TEST(GraphemeBoundaries, AgreesWithIcuOnEveryKindOfCodePoint) {
  std::mt19937 rng(5);
  for (int i = 0; i < 1500 && !::testing::Test::HasFailure(); ++i) {
    std::string text;
    const int count = static_cast<int>(rng() % 120);
    // Some texts hold long plain runs so that separate stretches are read apart.
    const bool sparse = rng() % 3 == 0;
    for (int k = 0; k < count; ++k) {
      if (sparse && rng() % 10 != 0) {
        text += std::string(1 + rng() % 30, 'x');
      } else {
        text += kCodePoints[rng() % kCodePoints.size()];
      }
    }
    SCOPED_TRACE(text);
    EXPECT_EQ(clustersOf(text), testing::referenceCharacters(text, false));
  }
}

}  // namespace
}  // namespace marbrel
