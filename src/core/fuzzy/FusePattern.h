#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace marbrel {

// A query made ready for the matcher, once per query: its text, its length in characters, the
// bit that marks a whole match, and for each character the bit set of the positions it holds.
class FusePattern {
 public:
  // Nothing when the query has no characters. With `lowerCase` the query gets Unicode's full
  // default lower-case mapping first.
  static std::optional<FusePattern> make(std::string_view query, bool lowerCase);

  // The (lower-cased) query, well-formed UTF-8.
  const std::string& text() const { return text_; }
  // The number of characters, at least 1.
  std::int64_t len() const { return len_; }
  // Bit len - 1, the last row bit of a complete match; 0 when the query exceeds 64 characters.
  std::uint64_t mask() const { return mask_; }
  bool lowerCased() const { return lowerCased_; }
  // Whether some character of the query that has bits is longer than one byte.
  bool hasMultiByteCharacters() const { return !packed_.empty() || !long_.empty(); }

  // For a character at position i of the query, bit len - i - 1 is set (bits that would need a
  // shift of 64 or more are dropped). 0 for a character the query does not hold.
  std::uint64_t bitsOf(std::string_view character) const;
  // The same for a one-byte character (ASCII), the common case, by table look-up; 0 for any
  // other byte.
  std::uint64_t bitsOfByte(unsigned char byte) const { return bytes_[byte]; }

 private:
  FusePattern() = default;
  void add(std::string_view character, std::uint64_t bits);

  std::string text_;
  std::int64_t len_ = 0;
  std::uint64_t mask_ = 0;
  bool lowerCased_ = false;
  // The alphabet: one-byte characters by table (indexed by any byte value, so without a test),
  // characters of 2 to 8 bytes in a small open-addressing table keyed by their bytes packed into
  // an integer, longer ones in a list.
  std::array<std::uint64_t, 256> bytes_{};
  std::vector<std::pair<std::uint64_t, std::uint64_t>> packed_;
  int packedShift_ = 64;
  std::vector<std::pair<std::string, std::uint64_t>> long_;
};

}  // namespace marbrel
