#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/fuzzy/FuseResult.h"

namespace marbrel::testing {

// The matcher's rules transcribed plainly (characters as strings, a map for the alphabet, signed
// rows, every level run, every occurrence visited), with its own ICU calls for lower-casing and
// segmentation. Slow, and independent of the optimised engine it checks.
struct ReferenceFuse {
  long long location = 0;
  long long distance = 100;
  double threshold = 0.7;
  bool isCaseSensitive = false;
  bool tokenize = false;

  std::optional<FuseResult> search(std::string_view query, std::string_view text) const;
};

// The characters (extended grapheme clusters) of `text`, lower-cased first when asked.
std::vector<std::string> referenceCharacters(std::string_view text, bool lowerCase);

}  // namespace marbrel::testing
