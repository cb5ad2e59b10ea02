// Which of an X clipboard owner's targets become an item's types, and how text targets are read.
#include "shell/clipboard/ClipboardFormats.h"

#include <gtest/gtest.h>

namespace marbrel {
namespace {

// A GTK text copy's text targets become text/plain, the best first; the contract tests show the rest.
TEST(ClipboardFormats, TextTargetsBecomeOneTypeAndAreReadAsUtf8OtherTargetsAsTheirBytes) {
  const auto formats = clipboard_formats::fromTargets(
      {"TIMESTAMP", "TARGETS", "text/plain", "COMPOUND_TEXT", "TEXT", "STRING", "UTF8_STRING", "text/plain;charset=utf-8"});
  ASSERT_EQ(formats.size(), 2u);
  EXPECT_EQ(formats[0].type, "text/plain");
  EXPECT_EQ(formats[0].targets, (std::vector<std::string>{"UTF8_STRING", "STRING", "TEXT", "text/plain"}));
  EXPECT_EQ(formats[1].type, "text/plain;charset=utf-8");

  const std::tuple<const char*, std::string, std::string> rows[] = {  // a target, what it reads, what is kept
      {"UTF8_STRING", std::string("ok \xff!\0", 6), "ok \xef\xbf\xbd!"},  // U+FFFD, the NUL dropped
      {"STRING", "caf\xe9", "caf\xc3\xa9"},                                // Latin-1
      {"text/plain", std::string("raw \xff\0", 6), std::string("raw \xff\0", 6)},
      {"image/png", std::string("\x89PNG\0", 5), std::string("\x89PNG\0", 5)},
  };
  for (const auto& [target, read, kept] : rows) {
    SCOPED_TRACE(target);
    EXPECT_EQ(clipboard_formats::decode(target, read), kept);
  }
}

}  // namespace
}  // namespace marbrel
