#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace marbrel::row_text {

// The text helpers behind a history row's title and tooltip. Texts are UTF-8; "characters" are
// user-perceived characters (extended grapheme clusters), so an emoji with modifiers or a letter
// with combining accents counts once.

// Whether `bytes` are well-formed UTF-8.
bool isValidUtf8(std::string_view bytes);

// `text` without white space and line breaks (Unicode White_Space) at either end.
std::string_view trimmed(std::string_view text);

// The byte length of the first `n` characters of valid UTF-8 `text` when it has more than `n`
// characters; nothing when it has `n` or fewer.
std::optional<std::size_t> prefixBeyond(std::string_view text, std::size_t n);

// `text` itself when it has at most `n` characters, else its first `n` characters followed by "...".
std::string shortened(std::string_view text, std::size_t n);

// The last component of a path: the part after the last "/", trailing slashes ignored ("/" for a
// text made only of slashes).
std::string_view lastPathComponent(std::string_view path);

// `text` with every "%XY" escape replaced by its byte; nothing when an escape is malformed or the
// result is not valid UTF-8.
std::optional<std::string> percentDecoded(std::string_view text);

// `text` on one line, shortened to `maxLength`: each run of white space that holds a line break or a
// tab shows as one space; other blanks stay as they are. Reads no further into a long text than the
// title needs.
std::string oneLine(std::string_view text, std::size_t maxLength);

// A plain text row's title: the trimmed text on one line, shortened to `maxLength`.
std::string textTitle(std::string_view text, std::size_t maxLength);

// A stretch of a one-line title and the stretch of the text it shows: the same bytes when
// `verbatim`, else a run of white space with a line break or a tab, shown as one space.
struct TitlePiece {
  std::size_t titleBegin = 0;
  std::size_t titleEnd = 0;
  std::size_t textBegin = 0;
  std::size_t textEnd = 0;
  bool verbatim = true;
};

// A title with what each part of it shows of the text it was made from.
struct MappedTitle {
  std::string title;
  // In ascending order, covering the title up to its elision.
  std::vector<TitlePiece> pieces;
  // Where the "..." of a shortened title starts; nothing when the whole text shows.
  std::optional<std::size_t> elision;
  // With an elision, the offset in the text where what the title shows ends.
  std::size_t shownEnd = 0;
};

// textTitle(text, maxLength) with its map; the pieces' offsets are those in `text`.
MappedTitle mappedTextTitle(std::string_view text, std::size_t maxLength);

// The byte offsets where the characters of valid UTF-8 `text` start, ascending from 0, up to and
// including the first boundary at or after `until` (the end of the text counts as one).
std::vector<std::size_t> characterStarts(std::string_view text, std::size_t until);

// The URIs of a text/uri-list, in order: its lines (ended by CR LF or LF alone) without the
// comment lines ("#...") and the blank ones.
std::vector<std::string_view> uriListEntries(std::string_view text);

// A file row's title: the percent-decoded last path component of the list's first URI, trimmed,
// on one line and shortened to `maxLength` (a component with a malformed escape is shown as it stands). When
// the list holds more files, `moreText` with "{name}" replaced by that title and "{count}" by the
// number of the other files ("{name} + {count} more").
std::string fileTitle(std::string_view urlText, std::size_t maxLength, std::string_view moreText);

// fileTitle's parts: the title, the name before it is put on one line and shortened (the
// percent-decoded, trimmed last path component), and the byte offset in the title of what
// textTitle(name, maxLength) shows of it (npos when the title text leaves the name out).
struct FileTitle {
  std::string title;
  std::string name;
  std::size_t nameAt = 0;
};
FileTitle fileTitleParts(std::string_view urlText, std::size_t maxLength, std::string_view moreText);

}  // namespace marbrel::row_text
