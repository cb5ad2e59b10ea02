#include "core/fuzzy/FuseText.h"

#include <unicode/ucasemap.h>
#include <unicode/utf8.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <memory>

#include "core/fuzzy/GraphemeBoundaries.h"

namespace marbrel {
namespace {

// Bits set in each byte value (a table: the portable build has no population-count instruction).
constexpr auto kBitsInByte = [] {
  std::array<std::uint8_t, 256> table{};
  for (unsigned v = 0; v < 256; ++v) table[v] = static_cast<std::uint8_t>(std::popcount(v));
  return table;
}();

bool isAscii(std::string_view text) {
  unsigned char any = 0;
  for (unsigned char c : text) any |= c;
  return any < 0x80;
}

// The longest prefix of `text` of at most `limit` bytes that does not cut a UTF-8 sequence.
std::string_view cutAt(std::string_view text, std::size_t limit) {
  if (text.size() <= limit) return text;
  std::size_t end = limit;
  while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
  return text.substr(0, end);
}

bool isWellFormed(std::string_view text) {
  const auto* s = reinterpret_cast<const std::uint8_t*>(text.data());
  const auto length = static_cast<std::int64_t>(text.size());
  for (std::int64_t i = 0; i < length;) {
    if (s[i] < 0x80) {
      ++i;
      continue;
    }
    UChar32 c;
    U8_NEXT(s, i, length, c);
    if (c < 0) return false;
  }
  return true;
}

// `text` with every ill-formed sequence replaced by U+FFFD.
std::string wellFormed(std::string_view text) {
  const auto* s = reinterpret_cast<const std::uint8_t*>(text.data());
  const auto length = static_cast<std::int64_t>(text.size());
  std::string out;
  out.reserve(text.size() + 16);
  std::int64_t i = 0;
  while (i < length) {
    const std::int64_t start = i;
    UChar32 c;
    U8_NEXT(s, i, length, c);
    if (c < 0) {
      out.append("\xEF\xBF\xBD");
    } else {
      out.append(text.data() + start, static_cast<std::size_t>(i - start));
    }
  }
  return out;
}

struct CaseMapCloser {
  void operator()(UCaseMap* map) const { ucasemap_close(map); }
};

// Unicode's full default lower-case mapping (root locale, so no Turkish or Lithuanian rules).
std::string toLower(std::string_view text) {
  thread_local std::unique_ptr<UCaseMap, CaseMapCloser> caseMap;
  UErrorCode status = U_ZERO_ERROR;
  if (!caseMap) caseMap.reset(ucasemap_open("", 0, &status));
  if (!caseMap || U_FAILURE(status)) return std::string(text);
  std::string out(text.size() + text.size() / 2 + 16, '\0');
  status = U_ZERO_ERROR;
  int32_t length = ucasemap_utf8ToLower(caseMap.get(), out.data(), static_cast<int32_t>(out.size()),
                                        text.data(), static_cast<int32_t>(text.size()), &status);
  if (status == U_BUFFER_OVERFLOW_ERROR) {
    out.assign(static_cast<std::size_t>(length), '\0');
    status = U_ZERO_ERROR;
    length = ucasemap_utf8ToLower(caseMap.get(), out.data(), static_cast<int32_t>(out.size()),
                                  text.data(), static_cast<int32_t>(text.size()), &status);
  }
  if (U_FAILURE(status)) return std::string(text);
  out.resize(static_cast<std::size_t>(length));
  return out;
}

// Stretches up to this long are searched by their first byte, longer ones by memmem.
constexpr std::size_t kShortStretch = 256;

// The first occurrence of `needle` (not empty) in [begin, end), or nullptr. On a short stretch,
// what a search in a window mostly reads, finding the needle's first byte with memchr and
// comparing the rest costs far less than a general substring search sets up.
const char* firstOccurrence(const char* begin, const char* end, std::string_view needle) {
  if (static_cast<std::size_t>(end - begin) < needle.size()) return nullptr;
  if (static_cast<std::size_t>(end - begin) > kShortStretch) {
    return static_cast<const char*>(memmem(begin, static_cast<std::size_t>(end - begin), needle.data(), needle.size()));
  }
  const char* const lastStart = end - needle.size();
  const std::size_t rest = needle.size() - 1;
  for (const char* at = begin; at <= lastStart; ++at) {
    at = static_cast<const char*>(std::memchr(at, needle[0], static_cast<std::size_t>(lastStart - at) + 1));
    if (at == nullptr) return nullptr;
    if (rest == 0 || std::memcmp(at + 1, needle.data() + 1, rest) == 0) return at;
  }
  return nullptr;
}

}  // namespace

std::optional<std::size_t> FuseText::cutPoint(std::string_view utf8, std::size_t from) {
  // Between two ASCII characters of which the first is a letter, a digit, a space, a tab or a
  // line feed: such a place is a character boundary, and none of these characters is ignored by
  // case mapping, so the lower-case form of the part before it (a final sigma included) is the
  // same as in the whole text.
  for (std::size_t i = std::max<std::size_t>(from, 1); i < utf8.size(); ++i) {
    const auto before = static_cast<unsigned char>(utf8[i - 1]);
    const auto after = static_cast<unsigned char>(utf8[i]);
    if (after >= 0x80) continue;
    const bool alphanumeric = (before >= '0' && before <= '9') || (before >= 'a' && before <= 'z') ||
                              (before >= 'A' && before <= 'Z');
    if (alphanumeric || before == ' ' || before == '\t' || before == '\n') return i;
  }
  return std::nullopt;
}

bool FuseText::isSingleByte(std::string_view utf8) {
  return utf8.size() <= kMaxBytes && isAscii(utf8) && utf8.find("\r\n") == std::string_view::npos;
}

void FuseText::borrow(std::string_view prepared, bool lowerCased) {
  text_.clear();
  starts_.clear();
  ranks_.clear();
  borrowed_ = prepared.data() ? prepared : std::string_view("", 0);
  lowerCased_ = lowerCased;
  count_ = static_cast<std::int64_t>(prepared.size());
  singleBytePrefix_ = count_;
}

FuseText FuseText::prepare(std::string_view utf8, bool lowerCase) {
  FuseText prepared;
  prepared.lowerCased_ = lowerCase;
  const std::string_view input = cutAt(utf8, kMaxBytes);

  if (isAscii(input)) {
    prepared.text_.assign(input);
    if (lowerCase) {
      for (char& c : prepared.text_) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
      }
    }
    if (prepared.text_.find("\r\n") == std::string::npos) {
      prepared.count_ = static_cast<std::int64_t>(prepared.text_.size());
      prepared.singleBytePrefix_ = prepared.count_;
      return prepared;
    }
  } else {
    std::string repaired;
    std::string_view text = input;
    if (!isWellFormed(text)) text = repaired = wellFormed(text);
    prepared.text_ = lowerCase ? toLower(text) : std::string(text);
  }
  prepared.index(GraphemeBoundaries::of(prepared.text_));
  return prepared;
}

void FuseText::index(std::vector<std::uint64_t> starts) {
  starts_ = std::move(starts);
  const std::size_t words = starts_.size();
  ranks_.resize(words);
  std::uint32_t rank = 0;
  for (std::size_t w = 0; w < words; ++w) {
    ranks_[w] = rank;
    rank += static_cast<std::uint32_t>(std::popcount(starts_[w]));
  }
  count_ = static_cast<std::int64_t>(rank) - 1;

  // The first byte that starts no character lies inside the character before it; every earlier
  // character is one byte.
  singleBytePrefix_ = count_;
  for (std::size_t w = 0; w < words; ++w) {
    if (starts_[w] != ~std::uint64_t{0}) {
      const auto firstInner = static_cast<std::int64_t>(w * 64 + std::countr_one(starts_[w]));
      singleBytePrefix_ = std::min(count_, firstInner - 1);
      break;
    }
  }
}

std::size_t FuseText::select(std::int64_t k) const {
  if (k <= 0) return 0;
  if (k >= count_) return text().size();
  // The last word whose preceding bits number k or fewer holds the boundary.
  const auto after = std::upper_bound(ranks_.begin(), ranks_.end(), static_cast<std::uint32_t>(k));
  const auto word = static_cast<std::size_t>(after - ranks_.begin()) - 1;
  std::uint64_t bits = starts_[word];
  auto skip = static_cast<unsigned>(k - ranks_[word]);
  std::size_t offset = word * 64;
  // Whole bytes first, then bit by bit within the byte that holds it.
  for (unsigned byteBits = kBitsInByte[bits & 0xFF]; skip >= byteBits; byteBits = kBitsInByte[bits & 0xFF]) {
    skip -= byteBits;
    bits >>= 8;
    offset += 8;
  }
  for (; skip > 0; --skip) bits &= bits - 1;
  return offset + static_cast<std::size_t>(std::countr_zero(bits));
}

std::optional<std::int64_t> FuseText::boundaryIndex(std::size_t offset) const {
  if (starts_.empty()) return static_cast<std::int64_t>(offset);
  const std::uint64_t word = starts_[offset / 64];
  const std::uint64_t bit = std::uint64_t{1} << (offset % 64);
  if ((word & bit) == 0) return std::nullopt;
  return static_cast<std::int64_t>(ranks_[offset / 64] + std::popcount(word & (bit - 1)));
}

std::optional<FuseText::Occurrence> FuseText::find(std::string_view needle, std::int64_t from,
                                                   std::optional<std::int64_t> lastStart) const {
  from = std::max<std::int64_t>(from, 0);
  if (from > count_ || needle.empty()) return std::nullopt;
  if (lastStart && *lastStart < from) return std::nullopt;
  const std::string_view text = this->text();
  if (starts_.empty()) {
    // Every byte is a character, and every place a boundary.
    const auto position = static_cast<std::size_t>(from);
    const std::size_t end =
        lastStart ? std::min(text.size(), static_cast<std::size_t>(*lastStart) + needle.size()) : text.size();
    if (position >= end) return std::nullopt;
    const char* hit = firstOccurrence(text.data() + position, text.data() + end, needle);
    if (hit == nullptr) return std::nullopt;
    const auto offset = static_cast<std::int64_t>(hit - text.data());
    return Occurrence{offset, offset + static_cast<std::int64_t>(needle.size())};
  }
  std::size_t position = byteOffset(from);
  // A hit that starts after `lastStart` does not fit before this end.
  std::size_t end = text.size();
  if (lastStart && *lastStart < count_) end = std::min(end, byteOffset(*lastStart) + needle.size());
  while (position + needle.size() <= end) {
    const char* hit = firstOccurrence(text.data() + position, text.data() + end, needle);
    if (hit == nullptr) return std::nullopt;
    const auto offset = static_cast<std::size_t>(hit - text.data());
    const auto first = boundaryIndex(offset);
    const auto last = boundaryIndex(offset + needle.size());
    if (first && last) return Occurrence{*first, *last};
    position = offset + 1;
  }
  return std::nullopt;
}

}  // namespace marbrel
