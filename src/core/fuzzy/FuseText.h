#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace marbrel {

// A text made ready for matching: lower-cased when asked and split into characters (extended
// grapheme clusters), so that many queries can search it without redoing the Unicode work.
class FuseText {
 public:
  // Character positions [begin, end) of one occurrence of a needle.
  struct Occurrence {
    std::int64_t begin = 0;
    std::int64_t end = 0;
  };

  // Only this many leading bytes of a longer text are read (the search of a clipboard entry larger
  // than half a gigabyte looks at its beginning).
  static constexpr std::size_t kMaxBytes = std::size_t{1} << 29;

  FuseText() = default;

  // `utf8` may hold ill-formed sequences; each reads as U+FFFD. With `lowerCase` the text gets
  // Unicode's full default lower-case mapping (no locale), as the query does.
  static FuseText prepare(std::string_view utf8, bool lowerCase);

  // The prepared text, well-formed UTF-8.
  const std::string& text() const { return text_; }
  // The number of characters.
  std::int64_t size() const { return count_; }
  bool lowerCased() const { return lowerCased_; }
  // True when every character is one byte (plain ASCII without CR LF pairs): character k is byte k.
  bool singleByteCharacters() const { return starts_.empty(); }

  // The bytes of character `k`, 0 <= k < size().
  std::string_view character(std::int64_t k) const {
    if (starts_.empty()) return std::string_view(text_).substr(static_cast<std::size_t>(k), 1);
    return std::string_view(text_).substr(starts_[k], starts_[k + 1] - starts_[k]);
  }

  // The first literal (byte by byte) occurrence of `needle` that starts at character position
  // `from` or later and both starts and ends on a character boundary; nothing when `from` is past
  // the end or there is none.
  std::optional<Occurrence> find(std::string_view needle, std::int64_t from) const;

 private:
  // The character index whose first byte is at `offset`, if `offset` is a character boundary.
  std::optional<std::int64_t> boundaryIndex(std::size_t offset) const;
  std::size_t byteOffset(std::int64_t k) const {
    return starts_.empty() ? static_cast<std::size_t>(k) : starts_[k];
  }

  std::string text_;
  // Byte offset of every character and of the end; empty when every character is one byte.
  std::vector<std::uint32_t> starts_;
  std::int64_t count_ = 0;
  bool lowerCased_ = false;
};

}  // namespace marbrel
