// The clipboard room's parts: which of an X clipboard owner's targets become an item's types, and
// clipboard bytes through pipes, as a Wayland clipboard manager moves them (reading a selection's
// formats within bounds, and serving a value, both without blocking the event loop).
#include <fcntl.h>
#include <unistd.h>

#include <memory>
#include <string>
#include <vector>

#include <QTimer>

#include <gtest/gtest.h>

#include "core/platform/Pasteboard.h"
#include "shell/clipboard/ClipboardFormats.h"
#include "shell/clipboard/PipeWriter.h"
#include "shell/clipboard/SelectionReader.h"
#include "support/QtEvents.h"

namespace marbrel {
namespace {

using namespace std::chrono_literals;
using testing::processEventsUntil;

// Plays a selection's owner on the write ends of one pipe per format and keeps what the reader
// finishes with.
struct Selection {
  std::vector<std::pair<std::string, int>> readEnds;
  std::vector<int> writeEnds;
  bool finished = false;
  std::shared_ptr<const PasteboardItem> item;
  std::string problem;
  std::unique_ptr<SelectionReader> reader;

  Selection(const std::vector<std::string>& types, std::size_t readable) {
    for (std::size_t i = 0; i < readable; ++i) {
      int fds[2];
      EXPECT_EQ(::pipe2(fds, O_CLOEXEC), 0);
      readEnds.emplace_back(types[i], fds[0]);
      writeEnds.push_back(fds[1]);
    }
    const SelectionReader::Limits limits{.stall = 150ms, .maxBytes = 4096};
    reader = std::make_unique<SelectionReader>(types, readEnds, limits,
        [this](std::shared_ptr<const PasteboardItem> read, const std::string& why) {
          finished = true, item = std::move(read), problem = why;
        });
  }
  ~Selection() {
    for (int fd : writeEnds) if (fd >= 0) ::close(fd);
  }
  void send(std::size_t format, const std::string& bytes, bool close = true) {
    ASSERT_EQ(::write(writeEnds[format], bytes.data(), bytes.size()), ssize_t(bytes.size()));
    if (close) ::close(std::exchange(writeEnds[format], -1));
  }
};

TEST(SelectionReader, EveryFormatIsReadExactlyAndAStalledOrOversizedOwnerIsGivenUpAlone) {
  struct Row { const char* why; std::string bytes; bool closes; std::string problemMentions; };
  for (const Row& row : std::vector<Row>{{"an owner that never writes nor closes", "", false, "text/plain"},
                                         {"an owner that writes a little and then stalls", "partial", false, "no bytes came"},
                                         {"an owner that sends more than the limit", std::string(5000, 'x'), true, "more than 4096 bytes"}}) {
    SCOPED_TRACE(row.why);
    Selection given({"text/plain"}, 1);
    if (!row.bytes.empty() || row.closes) given.send(0, row.bytes, row.closes);
    // Meanwhile a good owner's selection completes, markers unread, and the event loop keeps running.
    Selection good({"text/plain", "image/png", "x-kde-passwordManagerHint"}, 2);
    good.send(1, std::string("\x89PNG\0\r\n", 7));
    good.send(0, "fine");
    int ticks = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
    ticker.start(10);
    ASSERT_TRUE(processEventsUntil([&] { return given.finished && good.finished; }));
    EXPECT_FALSE(given.item);
    EXPECT_NE(given.problem.find(row.problemMentions), std::string::npos) << given.problem;
    ASSERT_TRUE(good.item);
    EXPECT_EQ(good.item->types(), (std::vector<std::string>{"text/plain", "image/png", "x-kde-passwordManagerHint"}));
    EXPECT_EQ(good.item->dataForType("text/plain"), "fine");
    EXPECT_EQ(good.item->dataForType("image/png"), std::string("\x89PNG\0\r\n", 7));
    EXPECT_FALSE(good.item->dataForType("x-kde-passwordManagerHint").has_value());
    EXPECT_TRUE(row.closes || ticks > 0) << "the event loop ran while the owner stalled";
  }
}

TEST(PipeWriter, AReaderGoneBeforeTheFirstByteEndsTheWritingNotTheProgram) {
  const auto value = std::make_shared<const std::string>(std::string(1u << 20, 'a'));
  int fds[2];
  ASSERT_EQ(::pipe2(fds, O_CLOEXEC), 0);
  ::close(fds[0]);
  PipeWriter::start(fds[1], value);
  bool stillRunning = false;
  QTimer::singleShot(50, [&] { stillRunning = true; });
  EXPECT_TRUE(processEventsUntil([&] { return stillRunning; })) << "no SIGPIPE ended the program";
}

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
