#include "core/fuzzy/FuseText.h"

#include <unicode/brkiter.h>
#include <unicode/locid.h>
#include <unicode/ucasemap.h>
#include <unicode/utext.h>
#include <unicode/utf8.h>

#include <algorithm>
#include <cstring>
#include <memory>

namespace marbrel {
namespace {

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

// `text` with every ill-formed sequence replaced by U+FFFD; unchanged when well-formed.
std::string wellFormed(std::string_view text) {
  const auto* s = reinterpret_cast<const std::uint8_t*>(text.data());
  const std::int64_t length = static_cast<std::int64_t>(text.size());
  std::string out;
  out.reserve(text.size());
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
std::string toLower(const std::string& text) {
  thread_local std::unique_ptr<UCaseMap, CaseMapCloser> caseMap;
  UErrorCode status = U_ZERO_ERROR;
  if (!caseMap) caseMap.reset(ucasemap_open("", 0, &status));
  if (!caseMap || U_FAILURE(status)) return text;
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
  if (U_FAILURE(status)) return text;
  out.resize(static_cast<std::size_t>(length));
  return out;
}

// Byte offsets of every extended grapheme cluster of well-formed UTF-8 `text`, and of its end.
std::vector<std::uint32_t> clusterStarts(const std::string& text) {
  std::vector<std::uint32_t> starts;
  if (isAscii(text)) {
    // Between two ASCII characters there is always a boundary, except inside CR LF.
    starts.reserve(text.size() + 1);
    for (std::size_t i = 0; i < text.size(); ++i) {
      if (i > 0 && text[i] == '\n' && text[i - 1] == '\r') continue;
      starts.push_back(static_cast<std::uint32_t>(i));
    }
    starts.push_back(static_cast<std::uint32_t>(text.size()));
    return starts;
  }
  thread_local std::unique_ptr<icu::BreakIterator> breaker;
  UErrorCode status = U_ZERO_ERROR;
  if (!breaker) breaker.reset(icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
  UText utext = UTEXT_INITIALIZER;
  utext_openUTF8(&utext, text.data(), static_cast<int64_t>(text.size()), &status);
  if (breaker && U_SUCCESS(status)) breaker->setText(&utext, status);
  if (!breaker || U_FAILURE(status)) {
    // Without ICU's segmentation, fall back to one character per code point.
    utext_close(&utext);
    for (std::size_t i = 0; i < text.size(); ++i) {
      if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) starts.push_back(static_cast<std::uint32_t>(i));
    }
    starts.push_back(static_cast<std::uint32_t>(text.size()));
    return starts;
  }
  starts.reserve(text.size() / 2 + 2);
  for (int32_t b = breaker->first(); b != icu::BreakIterator::DONE; b = breaker->next()) {
    starts.push_back(static_cast<std::uint32_t>(b));
  }
  utext_close(&utext);
  if (starts.empty() || starts.back() != text.size()) starts.push_back(static_cast<std::uint32_t>(text.size()));
  return starts;
}

}  // namespace

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
      return prepared;
    }
  } else {
    std::string text = wellFormed(input);
    prepared.text_ = lowerCase ? toLower(text) : std::move(text);
  }
  prepared.starts_ = clusterStarts(prepared.text_);
  prepared.count_ = static_cast<std::int64_t>(prepared.starts_.size()) - 1;
  return prepared;
}

std::optional<std::int64_t> FuseText::boundaryIndex(std::size_t offset) const {
  if (starts_.empty()) return static_cast<std::int64_t>(offset);
  const auto it = std::lower_bound(starts_.begin(), starts_.end(), offset);
  if (it == starts_.end() || *it != offset) return std::nullopt;
  return static_cast<std::int64_t>(it - starts_.begin());
}

std::optional<FuseText::Occurrence> FuseText::find(std::string_view needle, std::int64_t from) const {
  if (from > count_ || needle.empty()) return std::nullopt;
  std::size_t position = byteOffset(std::max<std::int64_t>(from, 0));
  while (position + needle.size() <= text_.size()) {
    const void* hit = memmem(text_.data() + position, text_.size() - position, needle.data(), needle.size());
    if (hit == nullptr) return std::nullopt;
    const auto offset = static_cast<std::size_t>(static_cast<const char*>(hit) - text_.data());
    const auto begin = boundaryIndex(offset);
    const auto end = boundaryIndex(offset + needle.size());
    if (begin && end) return Occurrence{*begin, *end};
    position = offset + 1;
  }
  return std::nullopt;
}

}  // namespace marbrel
