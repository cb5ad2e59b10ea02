#include "core/menu/RowText.h"

#include <algorithm>
#include <initializer_list>
#include <memory>
#include <utility>

#include <unicode/brkiter.h>
#include <unicode/uchar.h>
#include <unicode/utext.h>
#include <unicode/utf8.h>

namespace marbrel::row_text {

namespace {

bool isAscii(unsigned char c) { return c < 0x80; }

// Line breaks (Unicode's mandatory breaks) and the tab: what a one-line title cannot show.
bool isLineBreakOrTab(UChar32 c) {
  switch (c) {
    case '\t': case '\n': case '\v': case '\f': case '\r': case 0x85: case 0x2028: case 0x2029:
      return true;
    default:
      return false;
  }
}

// One character-boundary iterator for the thread, reused for every text.
icu::BreakIterator* characterIterator() {
  thread_local std::unique_ptr<icu::BreakIterator> iterator = [] {
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::BreakIterator> made(
        icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
    if (U_FAILURE(status)) made.reset();
    return made;
  }();
  return iterator.get();
}

std::optional<std::size_t> prefixBeyondIcu(std::string_view text, std::size_t n) {
  icu::BreakIterator* iterator = characterIterator();
  UErrorCode status = U_ZERO_ERROR;
  icu::LocalUTextPointer utext(
      utext_openUTF8(nullptr, text.data(), static_cast<int64_t>(text.size()), &status));
  if (!iterator || U_FAILURE(status)) return std::nullopt;
  iterator->setText(utext.getAlias(), status);
  if (U_FAILURE(status)) return std::nullopt;
  int32_t position = iterator->first();
  for (std::size_t i = 0; i < n; ++i) {
    position = iterator->next();
    if (position == icu::BreakIterator::DONE) return std::nullopt;
  }
  const auto end = static_cast<std::size_t>(position);
  // Leave the iterator pointing at nothing that outlives the UText.
  iterator->setText(icu::UnicodeString());
  if (end >= text.size()) return std::nullopt;
  return end;
}

// `text` with each placeholder replaced by its value, in one pass, so a value that happens to
// contain a placeholder is left as it is. `firstAt`, when given, receives where the first
// placeholder's value first went (nothing when it is not used).
std::string filledIn(std::string_view text,
                     std::initializer_list<std::pair<std::string_view, std::string_view>> values,
                     std::optional<std::size_t>* firstAt = nullptr) {
  std::string result;
  for (std::size_t i = 0; i < text.size();) {
    bool replaced = false;
    for (const auto& [placeholder, value] : values) {
      if (text.substr(i, placeholder.size()) == placeholder) {
        if (firstAt && !*firstAt && &placeholder == &values.begin()->first) *firstAt = result.size();
        result += value;
        i += placeholder.size();
        replaced = true;
        break;
      }
    }
    if (!replaced) result += text[i++];
  }
  return result;
}

}  // namespace

bool isValidUtf8(std::string_view bytes) {
  const auto* data = reinterpret_cast<const uint8_t*>(bytes.data());
  const auto length = static_cast<int64_t>(bytes.size());
  int64_t i = 0;
  while (i < length) {
    if (isAscii(data[i])) {
      ++i;
      continue;
    }
    UChar32 c;
    U8_NEXT(data, i, length, c);
    if (c < 0) return false;
  }
  return true;
}

std::string_view trimmed(std::string_view text) {
  const auto* data = reinterpret_cast<const uint8_t*>(text.data());
  int32_t begin = 0;
  auto end = static_cast<int32_t>(text.size());
  while (begin < end) {
    int32_t next = begin;
    UChar32 c;
    U8_NEXT(data, next, end, c);
    if (c < 0 || !u_isUWhiteSpace(c)) break;
    begin = next;
  }
  while (end > begin) {
    int32_t previous = end;
    UChar32 c;
    U8_PREV(data, begin, previous, c);
    if (c < 0 || !u_isUWhiteSpace(c)) break;
    end = previous;
  }
  return text.substr(static_cast<std::size_t>(begin), static_cast<std::size_t>(end - begin));
}

std::optional<std::size_t> prefixBeyond(std::string_view text, std::size_t n) {
  // A character takes at least one byte, so a text of at most n bytes has at most n characters.
  if (text.size() <= n) return std::nullopt;
  // ASCII characters are one byte each, except that CR LF is one character; an ASCII character
  // is only joined by what follows it when that is non-ASCII, which hands over to ICU.
  std::size_t i = 0;
  std::size_t count = 0;
  while (i < text.size()) {
    if (!isAscii(static_cast<unsigned char>(text[i]))) return prefixBeyondIcu(text, n);
    if (count == n) return i;
    i += (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ? 2 : 1;
    ++count;
  }
  return std::nullopt;
}

std::string shortened(std::string_view text, std::size_t n) {
  const auto end = prefixBeyond(text, n);
  if (!end) return std::string(text);
  std::string result(text.substr(0, *end));
  result += "...";
  return result;
}

std::string_view lastPathComponent(std::string_view path) {
  std::size_t end = path.size();
  while (end > 0 && path[end - 1] == '/') --end;
  if (end == 0) return path.empty() ? path : path.substr(0, 1);
  const std::size_t slash = path.rfind('/', end - 1);
  const std::size_t begin = slash == std::string_view::npos ? 0 : slash + 1;
  return path.substr(begin, end - begin);
}

std::optional<std::string> percentDecoded(std::string_view text) {
  auto hex = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  };
  std::string result;
  result.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') {
      result += text[i];
      continue;
    }
    if (i + 2 >= text.size()) return std::nullopt;
    const int high = hex(text[i + 1]);
    const int low = hex(text[i + 2]);
    if (high < 0 || low < 0) return std::nullopt;
    result += static_cast<char>(high * 16 + low);
    i += 2;
  }
  if (!isValidUtf8(result)) return std::nullopt;
  return result;
}

namespace {

// oneLine's map when nobody asks for one.
struct NoMap {
  void add(std::size_t, std::size_t, std::size_t, std::size_t, bool) {}
  void elided(std::size_t) {}
};

// Records the pieces of a title as oneLine makes it; verbatim pieces that follow one another in
// both the title and the text are joined into one.
class Mapper {
 public:
  Mapper(MappedTitle& mapped, std::size_t base) : mapped_(mapped), base_(base) {}

  void add(std::size_t titleBegin, std::size_t titleEnd, std::size_t textBegin, std::size_t textEnd, bool verbatim) {
    textBegin += base_;
    textEnd += base_;
    auto& pieces = mapped_.pieces;
    if (verbatim && !pieces.empty() && pieces.back().verbatim && pieces.back().titleEnd == titleBegin &&
        pieces.back().textEnd == textBegin) {
      pieces.back().titleEnd = titleEnd;
      pieces.back().textEnd = textEnd;
      return;
    }
    pieces.push_back({titleBegin, titleEnd, textBegin, textEnd, verbatim});
  }

  // The title is cut at `end`, a character boundary, and "..." follows.
  void elided(std::size_t end) {
    auto& pieces = mapped_.pieces;
    while (!pieces.empty() && pieces.back().titleBegin >= end) pieces.pop_back();
    if (!pieces.empty() && pieces.back().titleEnd > end) {
      // Only a verbatim piece is longer than one byte, so only one can be cut.
      pieces.back().textEnd -= pieces.back().titleEnd - end;
      pieces.back().titleEnd = end;
    }
    mapped_.elision = end;
    mapped_.shownEnd = pieces.empty() ? base_ : pieces.back().textEnd;
  }

 private:
  MappedTitle& mapped_;
  std::size_t base_;
};

template <typename Map>
std::string oneLineMapped(std::string_view text, std::size_t maxLength, Map& map) {
  const auto* data = reinterpret_cast<const uint8_t*>(text.data());
  const auto length = static_cast<int32_t>(text.size());
  std::string line;
  line.reserve(std::min<std::size_t>(text.size(), maxLength * 4 + 8));
  int32_t runStart = -1;  // where the blanks before the next character began
  bool runHasBreak = false;
  std::size_t checkedUpTo = 0;
  const auto appendRun = [&](int32_t runEnd) {
    const auto begin = static_cast<std::size_t>(runStart);
    const auto end = static_cast<std::size_t>(runEnd);
    if (runHasBreak) {
      map.add(line.size(), line.size() + 1, begin, end, false);
      line += ' ';
    } else {
      map.add(line.size(), line.size() + (end - begin), begin, end, true);
      line.append(text.substr(begin, end - begin));
    }
    runStart = -1;
    runHasBreak = false;
  };
  const auto cut = [&](std::size_t end) {
    map.elided(end);
    return line.substr(0, end) + "...";
  };
  int32_t i = 0;
  while (i < length) {
    const int32_t start = i;
    UChar32 c;
    U8_NEXT(data, i, length, c);
    if (c >= 0 && u_isUWhiteSpace(c)) {
      if (runStart < 0) runStart = start;
      runHasBreak = runHasBreak || isLineBreakOrTab(c);
      continue;
    }
    if (runStart >= 0) appendRun(start);
    map.add(line.size(), line.size() + static_cast<std::size_t>(i - start), static_cast<std::size_t>(start),
            static_cast<std::size_t>(i), true);
    line.append(text.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(i - start)));
    // A long text stops here once its first characters are known: a boundary between characters
    // depends only on what comes before it and on the character right after it.
    if (line.size() > maxLength && line.size() >= checkedUpTo + 256) {
      if (const auto end = prefixBeyond(line, maxLength)) return cut(*end);
      checkedUpTo = line.size();
    }
  }
  if (runStart >= 0) appendRun(length);
  if (const auto end = prefixBeyond(line, maxLength)) return cut(*end);
  return line;
}

}  // namespace

std::string oneLine(std::string_view text, std::size_t maxLength) {
  NoMap none;
  return oneLineMapped(text, maxLength, none);
}

MappedTitle mappedTextTitle(std::string_view text, std::size_t maxLength) {
  const std::string_view shown = trimmed(text);
  MappedTitle mapped;
  Mapper mapper(mapped, static_cast<std::size_t>(shown.data() - text.data()));
  mapped.title = oneLineMapped(shown, maxLength, mapper);
  return mapped;
}

std::vector<std::size_t> characterStarts(std::string_view text, std::size_t until) {
  std::vector<std::size_t> starts{0};
  until = std::min(until, text.size());
  // ASCII characters are one byte each but CR LF; a non-ASCII byte hands over to ICU.
  std::size_t i = 0;
  while (i < until && isAscii(static_cast<unsigned char>(text[i])) &&
         (i + 1 >= text.size() || isAscii(static_cast<unsigned char>(text[i + 1])))) {
    i += (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ? 2 : 1;
    starts.push_back(i);
  }
  if (i >= until) return starts;
  icu::BreakIterator* iterator = characterIterator();
  UErrorCode status = U_ZERO_ERROR;
  icu::LocalUTextPointer utext(
      utext_openUTF8(nullptr, text.data(), static_cast<int64_t>(text.size()), &status));
  if (!iterator || U_FAILURE(status)) return starts;
  iterator->setText(utext.getAlias(), status);
  if (U_FAILURE(status)) return starts;
  starts.resize(1);
  for (int32_t position = iterator->next(); position != icu::BreakIterator::DONE; position = iterator->next()) {
    starts.push_back(static_cast<std::size_t>(position));
    if (starts.back() >= until) break;
  }
  iterator->setText(icu::UnicodeString());
  return starts;
}

std::string textTitle(std::string_view text, std::size_t maxLength) {
  return oneLine(trimmed(text), maxLength);
}

std::vector<std::string_view> uriListEntries(std::string_view text) {
  std::vector<std::string_view> entries;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty() || line.front() == '#' || trimmed(line).empty()) continue;
    entries.push_back(line);
  }
  return entries;
}

std::string fileTitle(std::string_view urlText, std::size_t maxLength, std::string_view moreText) {
  return fileTitleParts(urlText, maxLength, moreText).title;
}

FileTitle fileTitleParts(std::string_view urlText, std::size_t maxLength, std::string_view moreText) {
  const std::vector<std::string_view> entries = uriListEntries(urlText);
  const std::string_view first = entries.empty() ? std::string_view() : entries.front();
  const std::string_view component = lastPathComponent(first);
  const auto decoded = percentDecoded(component);
  FileTitle parts;
  parts.name = trimmed(decoded ? std::string_view(*decoded) : component);
  std::string shown = oneLine(parts.name, maxLength);
  if (entries.size() < 2) {
    parts.title = std::move(shown);
    return parts;
  }
  std::optional<std::size_t> nameAt;
  parts.title = filledIn(moreText, {{"{name}", shown}, {"{count}", std::to_string(entries.size() - 1)}}, &nameAt);
  // A text without the name shows none of it: no place in the title holds it.
  parts.nameAt = nameAt.value_or(std::string::npos);
  return parts;
}

}  // namespace marbrel::row_text
