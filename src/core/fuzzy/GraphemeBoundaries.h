#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace marbrel {

// Where the extended grapheme clusters of a UTF-8 text start, by ICU's rules and data. ICU's
// break iterator is slow, so it reads only the stretches that need it.
class GraphemeBoundaries {
 public:
  // One bit per byte offset 0..utf8.size() (both included), set where a cluster starts and at
  // the end. `utf8` must be well-formed.
  static std::vector<std::uint64_t> of(std::string_view utf8);
};

}  // namespace marbrel
