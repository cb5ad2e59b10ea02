#include "core/fuzzy/GraphemeBoundaries.h"

#include <unicode/brkiter.h>
#include <unicode/locid.h>
#include <unicode/uchar.h>
#include <unicode/utext.h>
#include <unicode/utf8.h>

#include <array>
#include <memory>

namespace marbrel {
namespace {

// A code point that no segmentation rule joins to a neighbour of the same kind: cluster-break
// class Other, Control, CR or LF. Between two of them there is always a boundary, except inside
// CR LF. Every rule that joins code points needs one of another kind (Extend, ZWJ, SpacingMark,
// Prepend, a Hangul jamo or syllable, a regional indicator), and ICU reads those together with
// the code point on each side; a pictograph joins only through a ZWJ after it, so as that left
// neighbour it is read too.
bool standsAlone(UChar32 c) {
  switch (u_getIntPropertyValue(c, UCHAR_GRAPHEME_CLUSTER_BREAK)) {
    case U_GCB_OTHER:
    case U_GCB_CONTROL:
    case U_GCB_CR:
    case U_GCB_LF:
      return true;
    default:
      return false;
  }
}

// The answers of standsAlone for recently seen code points: a text uses few distinct ones.
class StandsAloneCache {
 public:
  bool operator()(UChar32 c) {
    if (c < 0x80) return true;
    Entry& entry = entries_[static_cast<std::uint32_t>(c) % entries_.size()];
    if (entry.codePoint != c) entry = {c, standsAlone(c)};
    return entry.alone;
  }

 private:
  struct Entry {
    UChar32 codePoint = -1;
    bool alone = false;
  };
  std::array<Entry, 256> entries_{};
};

// Stretches closer than this are read by the break iterator in one go.
constexpr std::size_t kJoinGap = 64;

class Segmenter {
 public:
  Segmenter(std::string_view text, std::vector<std::uint64_t>& bits) : text_(text), bits_(bits) {}

  void set(std::size_t offset) { bits_[offset / 64] |= std::uint64_t{1} << (offset % 64); }

  // Asks ICU for the boundaries strictly inside [begin, end). `begin` is 0 or the start of a code
  // point that stands alone, and `end` the end of the text or of one; what lies beyond them does
  // not change ICU's answer inside.
  void icu(std::size_t begin, std::size_t end) {
    UErrorCode status = U_ZERO_ERROR;
    // Making a break iterator is costly: one per thread serves every text.
    thread_local std::unique_ptr<icu::BreakIterator> breaker;
    if (!breaker) breaker.reset(icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
    status = U_ZERO_ERROR;
    UText utext = UTEXT_INITIALIZER;
    utext_openUTF8(&utext, text_.data() + begin, static_cast<int64_t>(end - begin), &status);
    if (breaker && U_SUCCESS(status)) breaker->setText(&utext, status);
    if (!breaker || U_FAILURE(status)) {
      // Without ICU's segmentation, every code point is a character.
      for (std::size_t i = begin + 1; i < end; ++i) {
        if ((static_cast<unsigned char>(text_[i]) & 0xC0) != 0x80) set(i);
      }
    } else {
      for (int32_t b = breaker->next(); b != icu::BreakIterator::DONE; b = breaker->next()) {
        if (static_cast<std::size_t>(b) < end - begin) set(begin + static_cast<std::size_t>(b));
      }
    }
    utext_close(&utext);
  }

 private:
  std::string_view text_;
  std::vector<std::uint64_t>& bits_;
};

}  // namespace

std::vector<std::uint64_t> GraphemeBoundaries::of(std::string_view utf8) {
  std::vector<std::uint64_t> bits(utf8.size() / 64 + 1, 0);
  Segmenter segmenter(utf8, bits);
  segmenter.set(0);
  segmenter.set(utf8.size());

  const auto* s = reinterpret_cast<const std::uint8_t*>(utf8.data());
  const auto length = static_cast<std::int64_t>(utf8.size());
  constexpr std::size_t kNone = static_cast<std::size_t>(-1);
  std::size_t pendingBegin = kNone;  // a stretch for ICU, from here to pendingEnd
  std::size_t pendingEnd = 0;
  bool inStretch = false;            // the previous code point does not stand alone
  std::size_t previousStart = 0;     // start of the previous code point
  UChar32 previous = -1;

  StandsAloneCache alone;
  std::int64_t i = 0;
  while (i < length) {
    const auto start = static_cast<std::size_t>(i);
    UChar32 c;
    if (s[i] < 0x80) {
      c = s[i++];
    } else {
      U8_NEXT(s, i, length, c);
    }
    const auto end = static_cast<std::size_t>(i);
    if (alone(c)) {
      if (inStretch) {
        pendingEnd = end;  // the stretch takes this code point as its right context
        inStretch = false;
      } else if (previous >= 0 && !(previous == '\r' && c == '\n')) {
        segmenter.set(start);
      }
    } else if (!inStretch) {
      // A new stretch begins with the code point before it as its left context.
      const std::size_t begin = previous >= 0 ? previousStart : start;
      if (pendingBegin != kNone && begin > pendingEnd + kJoinGap) {
        segmenter.icu(pendingBegin, pendingEnd);
        pendingBegin = kNone;
      }
      if (pendingBegin == kNone) pendingBegin = begin;
      pendingEnd = end;
      inStretch = true;
    } else {
      pendingEnd = end;
    }
    previous = c;
    previousStart = start;
  }
  if (pendingBegin != kNone) segmenter.icu(pendingBegin, inStretch ? utf8.size() : pendingEnd);
  return bits;
}

}  // namespace marbrel
