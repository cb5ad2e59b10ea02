#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/fuzzy/Fuse.h"
#include "core/menu/Color.h"
#include "core/menu/RowText.h"
#include "core/menu/TitleMarks.h"

namespace marbrel {
namespace {

using namespace row_text;

TEST(RowText, ShortensByUserPerceivedCharacters) {
  const std::string fifty(50, 'x');
  EXPECT_EQ(shortened(fifty, 50), fifty);
  EXPECT_EQ(shortened(fifty + "y", 50), fifty + "...");
  // A flag, a family, a letter with two accents, CR LF: one character each.
  const std::string flag = "\U0001F1EB\U0001F1F7";
  const std::string family = "\U0001F468\u200D\U0001F469\u200D\U0001F467";
  const std::string accented = "e\u0301\u0302";
  EXPECT_EQ(shortened(flag + family + accented, 3), flag + family + accented);
  EXPECT_EQ(shortened(flag + family + accented + "z", 3), flag + family + accented + "...");
  EXPECT_EQ(shortened("a\r\nb", 2), "a\r\n...");
  EXPECT_EQ(shortened("abc\u0301", 3), "abc\u0301") << "an accent joins the ASCII letter before it";
}

TEST(RowText, TitlesAreOneLineWithEachLineBreakOrTabAndTheBlanksAroundItAsOneSpace) {
  struct Row { std::string text; std::string title; const char* why; };
  const Row rows[] = {
      {"a\r\nb\rc", "a b c", "CR LF and a lone CR"},
      {"name\tvalue", "name value", "a tab"},
      {"a\n\n\n\tb", "a b", "a blank line and an indent fold into one space"},
      {"end of line  \n  next", "end of line next", "blanks around a break fold with it"},
      {"two  spaces", "two  spaces", "blanks without a break stay as they are"},
      {"a\u2028b\u2029c\u0085d\vx\fy", "a b c d x y", "Unicode line and paragraph breaks"},
      {"\n\t indented\n", "indented", "breaks at the ends are trimmed, not shown"},
      {"\u00A0\u3000x\u2029\u0085", "x", "Unicode blanks at the ends are trimmed"},
      {"\u200Bx", "\u200Bx", "a zero-width space is not white space"},
      {" \n ", "", "nothing but blanks"},
      {"abcdefghij\n\n\nklmnopqrstuvwxyz0123456789", "abcdefghij klmnopqrstuvwxyz012...",
       "shortened after folding"},
      {"x" + std::string(100000, '\n') + "y", "x y", "a long run of breaks"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.why);
    EXPECT_EQ(textTitle(row.text, 30), row.title);
  }
}

TEST(RowText, FileTitlesNameTheFirstFileAndCountTheOthers) {
  struct Row { std::string urlText; std::string title; const char* why; };
  const std::string longName(60, 'n');
  const std::vector<Row> rows{
      {"file:///home/me/My%20File.txt", "My File.txt", "the percent-decoded last path component"},
      {"file:///home/me/Folder/", "Folder", "a folder's trailing slash is ignored"},
      {"file:///home/me/r%C3%A9sum%C3%A9.pdf\r\n", "r\u00E9sum\u00E9.pdf", "UTF-8 escapes"},
      {"file:///home/me/na%c3%afve.txt", "na\u00EFve.txt", "escapes in lower case"},
      {"file:///tmp/two%0Alines.txt", "two lines.txt", "a line break in a name shows as a space"},
      {"file:///tmp/a.txt\nfile:///tmp/b.txt\nfile:///tmp/c/", "a.txt + 2 more", "lines ended by LF alone"},
      {"# copied by a file manager\r\nfile:///tmp/a.txt\r\n\r\n", "a.txt", "comments and blank lines are no files"},
      {"file:///tmp/" + longName + "\r\nfile:///tmp/b\r\n", std::string(50, 'n') + "... + 1 more",
       "the name is shortened, the count stays"},
      {"", "", "an empty list"},
      {"file:///tmp/100%zz.txt", "100%zz.txt", "a malformed escape shows as it stands"},
      {"file:///tmp/50%", "50%", "an escape cut short shows as it stands"},
      {"file:///tmp/bad%FF.bin", "bad%FF.bin", "an escape that is not UTF-8 shows as it stands"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.why);
    EXPECT_EQ(fileTitle(row.urlText, 50, "{name} + {count} more"), row.title);
  }
  EXPECT_EQ(lastPathComponent("///"), "/");
}

// The title with each mark in brackets.
std::string bracketed(const std::string& title, const TitleMarks& marks) {
  std::string out;
  std::size_t at = 0;
  for (const TitleMark& mark : marks) {
    out += title.substr(at, mark.begin - at) + "[" + title.substr(mark.begin, mark.end - mark.begin) + "]";
    at = mark.end;
  }
  return out + title.substr(at);
}

TEST(RowText, MarksShowWhereTheQueryMatchedInTheTitleAsShown) {
  struct Row { std::string text; std::string query; bool fuzzy; std::string marked; const char* why; };
  const std::string x43(43, 'x');
  const std::string x50(50, 'x');
  const std::vector<Row> rows{
      {"Hello World", "wor", false, "Hello [Wor]ld", "exact search ignores case"},
      {"banana", "an", false, "b[anan]a", "every occurrence; touching ones join"},
      {"aaa", "aa", false, "[aa]a", "occurrences do not overlap"},
      {"first\n\tsecond", "t\n\ts", false, "firs[t s]econd", "a match across folded white space marks its space"},
      {"two  spaces", "o  s", false, "tw[o  s]paces", "blanks that stay are marked as they are"},
      {"  \n hello", "hello", false, "[hello]", "the trimmed blanks shift nothing"},
      {"Stra\u00DFe", "SS", false, "Stra[\u00DF]e", "a match of part of a character's folding marks the character"},
      {"cafe\u0301", "e", false, "caf[e\u0301]", "a mark covers whole characters"},
      {std::string(55, 'x') + "needle", "needle", false, x50 + "[...]", "a match beyond the title marks the elision"},
      {std::string(48, 'x') + "needle", "needle", false, std::string(48, 'x') + "[ne...]",
       "a match running into the elision marks both"},
      {"needle " + std::string(60, 'x') + "Needle", "needle", false, "[needle] " + x43 + "[...]",
       "a match shown and one beyond"},
      {"needle " + std::string(60, 'x'), "needle", false, "[needle] " + x43 + "...", "nothing beyond, no mark there"},
      {"hello world", "wrld", true, "he[ll]o [w]o[rld]", "fuzzy: the characters of the query the matcher scanned"},
      {"xx \u00DCn\u00EFcode", "\u00FCn\u00EF", true, "xx [\u00DCn\u00EF]code",
       "fuzzy positions count characters, not bytes"},
      {std::string(60, 'x') + "zz", "zz", true, x50 + "[...]", "fuzzy: a match beyond the title marks the elision"},
  };
  const Fuse fuse;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.why);
    const TitleMarks marks = title_marks::inText(row.text, row.query, row.fuzzy ? &fuse : nullptr, 50);
    EXPECT_EQ(bracketed(textTitle(row.text, 50), marks), row.marked);
  }
}

TEST(ColorFromHex, ReadsThreeFourSixAndEightDigitCodesOnly) {
  EXPECT_EQ(colorFromHex("abc"), (Color{10 * 17 / 255.0, 11 * 17 / 255.0, 12 * 17 / 255.0, 1}));
  EXPECT_EQ(colorFromHex("1234"), (Color{17 / 255.0, 34 / 255.0, 51 / 255.0, 68 / 255.0}));
  EXPECT_EQ(colorFromHex("#00FF0080"), (Color{0, 1, 0, 128 / 255.0}));
  for (const char* text : {"", "#", "#12345", "#123456789", "#GGG", " abc", "##abc", "0x123"}) {
    EXPECT_FALSE(colorFromHex(text)) << text;
  }
}

}  // namespace
}  // namespace marbrel
