#include "FuzzTarget.h"
#include "core/fuzzy/Fuse.h"

#include <cmath>

// Input: one byte giving the query's length, the query, then the text.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using marbrel::fuzz::require;
  if (size < 1) return 0;
  const std::size_t queryLength = std::min<std::size_t>(data[0], size - 1);
  const std::string_view query = marbrel::fuzz::asText(data + 1, queryLength);
  const std::string_view text = marbrel::fuzz::asText(data + 1 + queryLength, size - 1 - queryLength);

  static const marbrel::Fuse fuse;
  const auto result = fuse.search(query, text);
  const auto pattern = fuse.createPattern(query);
  const auto prepared = fuse.prepare(text);
  const auto again = fuse.search(pattern, prepared);
  require(result.has_value() == again.has_value(), "the one-call and prepared searches agree");
  if (result) {
    require(result->score == again->score, "the one-call and prepared scores are equal");
    require(!std::isnan(result->score) && result->score >= 0.0, "a score is a number from 0 up");
    for (const auto& range : result->ranges) {
      require(range.lower >= 0 && range.lower <= range.upper && range.upper < prepared.size(),
              "ranges lie inside the text");
    }
    const auto score = fuse.score(*pattern, prepared);
    require(score && *score == result->score, "the score-only search agrees");
  }
  return 0;
}
