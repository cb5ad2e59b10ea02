#pragma once

#include <cstddef>
#include <optional>
#include <string_view>
#include <vector>

namespace marbrel {

class EntryPresentation;
class Fuse;

// A stretch of a row's title where the search query matched, bytes [begin, end) of the title as
// shown (on one line, shortened): the row draws it bold.
struct TitleMark {
  std::size_t begin = 0;
  std::size_t end = 0;

  friend bool operator==(const TitleMark&, const TitleMark&) = default;
};
// Ascending, apart from one another, each beginning and ending between characters.
using TitleMarks = std::vector<TitleMark>;

namespace title_marks {

// Where `query` matched `text`, marked in the title row_text::textTitle(text, maxLength) shows:
// with `fuzzy` null every occurrence of the query ignoring case (Unicode case folding, as the plain
// search compares), else the ranges the fuzzy engine `fuzzy` works out. A match in white space the
// title folds marks the space shown for it; a match that reaches past a shortened title's end
// marks its "...". `folded`, when the caller holds it, is foldCase(text), which spares folding
// the text beyond the title again.
TitleMarks inText(std::string_view text, std::string_view query, const Fuse* fuzzy, std::size_t maxLength,
                  std::optional<std::string_view> folded = std::nullopt);

// The marks of `query` in the title of a row showing `presentation`: a text row's as inText marks
// them; a file row's in the file's name (the folders and the other files of the list are not
// shown); none for an image row.
TitleMarks forPresentation(const EntryPresentation& presentation, std::string_view query, const Fuse* fuzzy,
                           std::optional<std::string_view> folded = std::nullopt);

}  // namespace title_marks

}  // namespace marbrel
