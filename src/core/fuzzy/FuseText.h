#pragma once

#include <bit>
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

  // Whether prepare() makes every character of `utf8` one byte: plain ASCII without CR LF pairs.
  static bool isSingleByte(std::string_view utf8);
  // Makes this text read `prepared` where it lies, without copying it: `prepared` must be what
  // prepare() gives for a single-byte text (see isSingleByte) and must outlive this use. Reusing
  // one object this way costs next to nothing in a loop over many texts.
  void borrow(std::string_view prepared, bool lowerCased);

  // The byte offset, at `from` or after, of the first place where `utf8` can be cut so that the
  // prepared form of the part before it is the beginning of the prepared whole, character for
  // character; nothing when there is none.
  static std::optional<std::size_t> cutPoint(std::string_view utf8, std::size_t from);

  // The prepared text, well-formed UTF-8.
  std::string_view text() const { return borrowed_.data() ? borrowed_ : std::string_view(text_); }
  // The number of characters.
  std::int64_t size() const { return count_; }
  bool lowerCased() const { return lowerCased_; }
  // True when every character is one byte (plain ASCII without CR LF pairs): character k is byte k.
  bool singleByteCharacters() const { return starts_.empty(); }

  // How many leading characters are one byte each (all of them when singleByteCharacters()).
  std::int64_t singleBytePrefix() const { return singleBytePrefix_; }
  // One bit per byte offset 0..text().size(), set where a character starts and at the end;
  // nullptr when every character is one byte.
  const std::uint64_t* boundaryBits() const { return starts_.empty() ? nullptr : starts_.data(); }

  // The byte offset where character k starts, 0 <= k <= size() (size(): the end of the text).
  std::size_t byteOffset(std::int64_t k) const {
    return starts_.empty() ? static_cast<std::size_t>(k) : select(k);
  }
  // The byte offset where the character before the one starting at `offset` starts; `offset` is
  // a character boundary after the first. Stepping back is how a right-to-left scan moves.
  std::size_t previousStart(std::size_t offset) const {
    if (starts_.empty()) return offset - 1;
    std::size_t word = offset / 64;
    std::uint64_t below = starts_[word] & ((std::uint64_t{1} << (offset % 64)) - 1);
    while (below == 0) below = starts_[--word];
    return word * 64 + 63 - static_cast<std::size_t>(std::countl_zero(below));
  }

  // The bytes of character `k`, 0 <= k < size().
  std::string_view character(std::int64_t k) const {
    const std::size_t begin = byteOffset(k);
    return text().substr(begin, byteOffset(k + 1) - begin);
  }

  // The first literal (byte by byte) occurrence of `needle` that starts at character position
  // `from` or later, and at `lastStart` or earlier when given, and both starts and ends on a
  // character boundary; nothing when `from` is past the end or there is none.
  std::optional<Occurrence> find(std::string_view needle, std::int64_t from,
                                 std::optional<std::int64_t> lastStart = std::nullopt) const;

 private:
  // The character index whose first byte is at `offset`, if `offset` is a character boundary.
  std::optional<std::int64_t> boundaryIndex(std::size_t offset) const;
  // The byte offset of the k-th character boundary.
  std::size_t select(std::int64_t k) const;
  void index(std::vector<std::uint64_t> starts);

  std::string text_;
  std::string_view borrowed_;  // when set, the text, held elsewhere
  // One bit per byte offset 0..text size, set where a character starts and at the end; empty when
  // every character is one byte.
  std::vector<std::uint64_t> starts_;
  // For each word of starts_, the number of bits set in the words before it.
  std::vector<std::uint32_t> ranks_;
  std::int64_t count_ = 0;
  std::int64_t singleBytePrefix_ = 0;
  bool lowerCased_ = false;
};

}  // namespace marbrel
