#include "core/menu/TitleMarks.h"

#include <algorithm>
#include <iterator>
#include <string>
#include <utility>

#include <unicode/utf8.h>

#include "core/fuzzy/Fuse.h"
#include "core/menu/EntryPresentation.h"
#include "core/menu/RowText.h"

namespace marbrel::title_marks {

namespace {

using row_text::MappedTitle;
using row_text::TitlePiece;

// The marks being gathered for one title, in the title's bytes, and whether a match reaches past
// what a shortened title shows.
struct Gathered {
  TitleMarks marks;
  bool beyond = false;
};

// Marks the title's bytes that show the text's bytes [begin, end).
void markText(const MappedTitle& mapped, std::size_t begin, std::size_t end, Gathered& gathered) {
  if (begin >= end) return;
  if (mapped.elision && end > mapped.shownEnd) gathered.beyond = true;
  for (const TitlePiece& piece : mapped.pieces) {
    if (piece.textEnd <= begin) continue;
    if (piece.textBegin >= end) break;
    if (!piece.verbatim) {
      gathered.marks.push_back({piece.titleBegin, piece.titleEnd});
      continue;
    }
    const std::size_t from = std::max(begin, piece.textBegin);
    const std::size_t to = std::min(end, piece.textEnd);
    gathered.marks.push_back({piece.titleBegin + (from - piece.textBegin), piece.titleBegin + (to - piece.textBegin)});
  }
}

// The marks in order, widened to whole characters of the title, those that touch joined, and the
// "..." marked when a match lies beyond it.
TitleMarks finished(const MappedTitle& mapped, Gathered gathered) {
  TitleMarks& marks = gathered.marks;
  if (!marks.empty()) {
    const std::size_t shown = mapped.elision.value_or(mapped.title.size());
    const std::vector<std::size_t> starts =
        row_text::characterStarts(std::string_view(mapped.title).substr(0, shown), shown);
    for (TitleMark& mark : marks) {
      mark.begin = *std::prev(std::upper_bound(starts.begin(), starts.end(), mark.begin));
      mark.end = *std::lower_bound(starts.begin(), starts.end(), mark.end);
    }
  }
  if (gathered.beyond && mapped.elision) marks.push_back({*mapped.elision, *mapped.elision + 3});
  std::sort(marks.begin(), marks.end(), [](const TitleMark& a, const TitleMark& b) { return a.begin < b.begin; });
  TitleMarks joined;
  for (const TitleMark& mark : marks) {
    if (!joined.empty() && mark.begin <= joined.back().end) {
      joined.back().end = std::max(joined.back().end, mark.end);
    } else {
      joined.push_back(mark);
    }
  }
  return joined;
}

// A text case-folded one code point at a time, which gives what folding it whole gives (full case
// folding looks at no neighbours), with where each folded code point came from.
class FoldedText {
 public:
  explicit FoldedText(std::string_view text) : text_(text) {}

  // Folds on until the text's offset `source` and `bytes` more bytes of folded text are done.
  void foldUntil(std::size_t source, std::size_t bytes) {
    while (read_ < text_.size() && (read_ < source || folded_.size() < foldedAt(source) + bytes)) foldNext();
  }
  bool complete() const { return read_ >= text_.size(); }
  const std::string& folded() const { return folded_; }
  // The offset in the text where the text read so far ends.
  std::size_t read() const { return read_; }

  // Where in the folded text the fold of the code point at text offset `source` starts (the end of
  // what is folded when `source` lies beyond it).
  std::size_t foldedAt(std::size_t source) const {
    const auto at = std::lower_bound(sources_.begin(), sources_.end(), source);
    return at == sources_.end() ? folded_.size() : foldeds_[static_cast<std::size_t>(at - sources_.begin())];
  }
  // The text's bytes whose fold holds the folded bytes [begin, end), which must be folded already.
  std::pair<std::size_t, std::size_t> sourceOf(std::size_t begin, std::size_t end) const {
    const auto first = static_cast<std::size_t>(std::upper_bound(foldeds_.begin(), foldeds_.end(), begin) - foldeds_.begin());
    const auto last = static_cast<std::size_t>(std::lower_bound(foldeds_.begin(), foldeds_.end(), end) - foldeds_.begin());
    return {sources_[first - 1], last < sources_.size() ? sources_[last] : read_};
  }

 private:
  void foldNext() {
    const auto* bytes = reinterpret_cast<const uint8_t*>(text_.data());
    const auto length = static_cast<int32_t>(text_.size());
    auto i = static_cast<int32_t>(read_);
    sources_.push_back(read_);
    foldeds_.push_back(folded_.size());
    const int32_t start = i;
    UChar32 c;
    U8_NEXT(bytes, i, length, c);
    read_ = static_cast<std::size_t>(i);
    if (c >= 'A' && c <= 'Z') {
      folded_ += static_cast<char>(c - 'A' + 'a');
    } else if (c < 0x80) {
      folded_.append(text_.substr(static_cast<std::size_t>(start), read_ - static_cast<std::size_t>(start)));
    } else {
      folded_ += foldCase(text_.substr(static_cast<std::size_t>(start), read_ - static_cast<std::size_t>(start)));
    }
  }

  std::string_view text_;
  std::string folded_;
  std::size_t read_ = 0;
  std::vector<std::size_t> sources_;  // where each folded code point starts in the text
  std::vector<std::size_t> foldeds_;  // and where its fold starts in folded_
};

// Every occurrence of the folded query, from the left, one after another without overlapping.
Gathered exactMarks(std::string_view text, std::string_view query, const MappedTitle& mapped,
                    std::optional<std::string_view> wholeFolded) {
  Gathered gathered;
  const std::string needle = foldCase(query);
  if (needle.empty()) return gathered;
  const std::size_t shownEnd = mapped.elision ? mapped.shownEnd : text.size();
  FoldedText folded(text);
  folded.foldUntil(shownEnd, needle.size());
  const std::size_t foldedShownEnd = folded.foldedAt(shownEnd);
  const std::string& prefix = folded.folded();
  for (std::size_t at = prefix.find(needle); at != std::string::npos && at < foldedShownEnd;
       at = prefix.find(needle, at + needle.size())) {
    const auto [begin, end] = folded.sourceOf(at, at + needle.size());
    markText(mapped, begin, end, gathered);
  }
  if (!mapped.elision || gathered.beyond) return gathered;
  // Any occurrence that ends beyond what the title shows, even one overlapping a marked one.
  const std::size_t from = foldedShownEnd >= needle.size() ? foldedShownEnd - needle.size() + 1 : 0;
  if (prefix.find(needle, from) != std::string::npos) {
    gathered.beyond = true;
  } else if (!folded.complete()) {
    if (wholeFolded && wholeFolded->size() >= prefix.size() && wholeFolded->substr(0, prefix.size()) == prefix) {
      gathered.beyond = wholeFolded->find(needle, from) != std::string_view::npos;
    } else {
      const std::string rest = prefix.substr(from) + foldCase(text.substr(folded.read()));
      gathered.beyond = rest.find(needle) != std::string::npos;
    }
  }
  return gathered;
}

// The ranges of characters that the fuzzy engine marks.
Gathered fuzzyMarks(std::string_view text, std::string_view query, const Fuse& fuse, const MappedTitle& mapped) {
  Gathered gathered;
  const auto pattern = fuse.createPattern(query);
  if (!pattern) return gathered;
  const std::size_t shownEnd = mapped.elision ? mapped.shownEnd : text.size();
  // A long text is searched by its beginning where that gives the same search, as the history
  // search does: the title lies within it, and its ranges there are those of the whole text.
  std::optional<FuseResult> result;
  if (text.size() > EntryPresentation::kLongTextBytes) {
    const auto cut = FuseText::cutPoint(text, std::max(EntryPresentation::kFuzzyPrefixBytes, shownEnd));
    if (cut) {
      const FuseText beginning = fuse.prepare(text.substr(0, *cut));
      if (fuse.prefixServes(beginning.size(), *pattern)) result = fuse.search(*pattern, beginning);
    }
  }
  if (!result) result = fuse.search(*pattern, fuse.prepare(text));
  if (!result) return gathered;
  // Character k of the prepared (lower-cased) text is character k of the text itself.
  const std::vector<std::size_t> starts = row_text::characterStarts(text, shownEnd);
  const auto known = static_cast<std::int64_t>(starts.size()) - 1;
  for (const FuseRange& range : result->ranges) {
    if (range.lower >= known) {
      if (mapped.elision) gathered.beyond = true;
      continue;
    }
    const std::size_t end = range.upper + 1 <= known ? starts[static_cast<std::size_t>(range.upper + 1)] : text.size();
    markText(mapped, starts[static_cast<std::size_t>(range.lower)], end, gathered);
  }
  return gathered;
}

TitleMarks marksIn(const MappedTitle& mapped, std::string_view text, std::string_view query, const Fuse* fuzzy,
                   std::optional<std::string_view> folded) {
  if (query.empty()) return {};
  return finished(mapped, fuzzy ? fuzzyMarks(text, query, *fuzzy, mapped) : exactMarks(text, query, mapped, folded));
}

}  // namespace

TitleMarks inText(std::string_view text, std::string_view query, const Fuse* fuzzy, std::size_t maxLength,
                  std::optional<std::string_view> folded) {
  if (query.empty()) return {};
  return marksIn(row_text::mappedTextTitle(text, maxLength), text, query, fuzzy, folded);
}

TitleMarks forPresentation(const EntryPresentation& presentation, std::string_view query, const Fuse* fuzzy,
                           std::optional<std::string_view> folded) {
  if (query.empty()) return {};
  switch (presentation.kind()) {
    case EntryPresentation::Kind::text:
      return inText(presentation.value(), query, fuzzy, EntryPresentation::kShowMaxLength, folded);
    case EntryPresentation::Kind::file: {
      const std::size_t nameAt = presentation.fileNameAt();
      if (nameAt == std::string::npos) return {};
      const std::string name = row_text::fileTitleParts(presentation.value(), 0, "").name;
      const MappedTitle mapped = row_text::mappedTextTitle(name, EntryPresentation::kShowMaxLength);
      // The name is matched on its own: where the list's text matched elsewhere, nothing shows it.
      if (presentation.title().compare(nameAt, mapped.title.size(), mapped.title) != 0) return {};
      TitleMarks marks = marksIn(mapped, name, query, fuzzy, std::nullopt);
      for (TitleMark& mark : marks) {
        mark.begin += nameAt;
        mark.end += nameAt;
      }
      return marks;
    }
    default:
      return {};
  }
}

}  // namespace marbrel::title_marks
