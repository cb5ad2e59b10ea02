// Which of an X clipboard owner's targets become an item's types, and how text targets are read.
#include "shell/ClipboardFormats.h"

#include <gtest/gtest.h>

namespace marbrel {
namespace clipboard_formats {

void PrintTo(const Format& format, std::ostream* out) {
  *out << format.type << " <-";
  for (const auto& target : format.targets) *out << " " << target;
}

}  // namespace clipboard_formats

namespace {

using clipboard_formats::Format;

TEST(ClipboardFormats, OwnersTargetsBecomeTypesWithTheTargetsToReadThemFrom) {
  const std::vector<std::string> text = {"UTF8_STRING", "STRING", "TEXT", "text/plain"};
  const struct {
    const char* why;
    std::vector<std::string> offered;
    std::vector<Format> expected;
  } rows[] = {
      {"a GTK text copy: protocol targets dropped, the text targets read as text/plain, the best first",
       {"TIMESTAMP", "TARGETS", "MULTIPLE", "SAVE_TARGETS", "text/plain", "COMPOUND_TEXT", "TEXT", "STRING",
        "UTF8_STRING", "text/plain;charset=utf-8"},
       {{"text/plain", text}, {"text/plain;charset=utf-8", {"text/plain;charset=utf-8"}}}},
      {"a Qt image copy: Qt's own format dropped", {"image/png", "application/x-qt-image", "TARGETS"},
       {{"image/png", {"image/png"}}}},
      {"a password manager's marker: a type whose bytes are never asked for",
       {"UTF8_STRING", "x-kde-passwordManagerHint", "PIXMAP"},
       {{"text/plain", {"UTF8_STRING"}}, {"x-kde-passwordManagerHint", {}}}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.why);
    EXPECT_EQ(clipboard_formats::fromTargets(row.offered), row.expected);
  }
}

TEST(ClipboardFormats, TextTargetsAreReadAsUtf8AndEveryOtherTargetAsItsBytes) {
  const struct {
    const char* target;
    std::string read;
    std::string kept;
  } rows[] = {
      {"UTF8_STRING", std::string("ok \xff!\0", 6), "ok \xef\xbf\xbd!"},  // U+FFFD, the NUL dropped
      {"STRING", "caf\xe9", "caf\xc3\xa9"},                                // Latin-1
      {"text/plain", std::string("raw \xff\0", 6), std::string("raw \xff\0", 6)},
      {"image/png", std::string("\x89PNG\0", 5), std::string("\x89PNG\0", 5)},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.target);
    EXPECT_EQ(clipboard_formats::decode(row.target, row.read), row.kept);
  }
}

}  // namespace
}  // namespace marbrel
