// Clipboard bytes through pipes, as a Wayland clipboard manager moves them: reading a selection's
// formats within bounds, and serving a value, both without blocking the event loop.
#include <fcntl.h>
#include <unistd.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <QTimer>

#include <gtest/gtest.h>

#include "core/platform/Pasteboard.h"
#include "shell/PipeWriter.h"
#include "shell/SelectionReader.h"
#include "support/QtEvents.h"

namespace marbrel {
namespace {

using namespace std::chrono_literals;
using testing::processEventsUntil;

// One pipe per readable format: the test plays the owner on the write ends.
struct Owner {
  std::vector<std::pair<std::string, int>> readEnds;
  std::vector<int> writeEnds;

  explicit Owner(const std::vector<std::string>& readableTypes) {
    for (const std::string& type : readableTypes) {
      int fds[2];
      EXPECT_EQ(::pipe2(fds, O_CLOEXEC), 0);
      readEnds.emplace_back(type, fds[0]);
      writeEnds.push_back(fds[1]);
    }
  }
  ~Owner() {
    for (int fd : writeEnds) {
      if (fd >= 0) ::close(fd);
    }
  }
  void send(std::size_t format, const std::string& bytes, bool close = true) {
    ASSERT_EQ(::write(writeEnds[format], bytes.data(), bytes.size()), ssize_t(bytes.size()));
    if (close) {
      ::close(writeEnds[format]);
      writeEnds[format] = -1;
    }
  }
};

// Reads `types` from the owner's pipes and keeps what the reader finishes with.
struct Reading {
  bool finished = false;
  std::shared_ptr<const PasteboardItem> item;
  std::string problem;
  SelectionReader reader;

  Reading(const std::vector<std::string>& types, Owner& owner, SelectionReader::Limits limits = {})
      : reader(types, owner.readEnds, limits, [this](std::shared_ptr<const PasteboardItem> read, const std::string& why) {
          finished = true;
          item = std::move(read);
          problem = why;
        }) {}
};

TEST(SelectionReader, AnOwnerThatSendsEveryFormatGivesOneItemWithAllTypesInItsOrder) {
  Owner owner({"text/plain", "text/html", "image/png"});
  Reading outcome({"text/plain", "x-kde-passwordManagerHint", "text/html", "image/png"}, owner);
  owner.send(1, "<b>hi</b>");
  owner.send(0, "hi");
  owner.send(2, std::string("\x89PNG\0\r\n", 7));
  ASSERT_TRUE(processEventsUntil([&] { return outcome.finished; }));
  ASSERT_TRUE(outcome.item);
  EXPECT_EQ(outcome.item->types(),
            (std::vector<std::string>{"text/plain", "x-kde-passwordManagerHint", "text/html", "image/png"}));
  EXPECT_EQ(outcome.item->stringForType("text/plain"), "hi");
  EXPECT_EQ(outcome.item->dataForType("text/html"), "<b>hi</b>");
  EXPECT_EQ(outcome.item->dataForType("image/png"), std::string("\x89PNG\0\r\n", 7));
  EXPECT_FALSE(outcome.item->dataForType("x-kde-passwordManagerHint").has_value()) << "a marker is not read";
  EXPECT_FALSE(outcome.item->stringForType("image/png").has_value()) << "bytes that are not UTF-8 are no text";
}

TEST(SelectionReader, AStalledOrOversizedOwnerIsGivenUpAndOnlyIt) {
  struct Row {
    const char* why;
    std::string bytes;
    bool closes;
    std::string problemMentions;
  };
  const std::vector<Row> rows = {
      {"an owner that never writes nor closes", "", false, "text/plain"},
      {"an owner that writes a little and then stalls", "partial", false, "no bytes came"},
      {"an owner that sends more than the limit", std::string(5000, 'x'), true, "more than 4096 bytes"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.why);
    SelectionReader::Limits limits;
    limits.stall = 150ms;
    limits.maxBytes = 4096;
    Owner stalled({"text/plain"});
    Reading given({"text/plain"}, stalled, limits);
    if (!row.bytes.empty() || row.closes) stalled.send(0, row.bytes, row.closes);
    // Meanwhile a good owner's selection completes, and the event loop keeps running.
    Owner good({"text/plain"});
    Reading kept({"text/plain"}, good, limits);
    good.send(0, "fine");
    int ticks = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
    ticker.start(10);
    ASSERT_TRUE(processEventsUntil([&] { return given.finished && kept.finished; }));
    EXPECT_FALSE(given.item);
    EXPECT_NE(given.problem.find(row.problemMentions), std::string::npos) << given.problem;
    ASSERT_TRUE(kept.item);
    EXPECT_EQ(kept.item->dataForType("text/plain"), "fine");
    EXPECT_TRUE(row.closes || ticks > 0) << "the event loop ran while the owner stalled";
  }
}

TEST(PipeWriter, ALargeValueReachesASlowReaderWithoutBlockingAndAVanishedReaderEndsTheWriting) {
  const auto value = std::make_shared<const std::string>(std::string(8u << 20, 'a') + "end");
  int fds[2];
  ASSERT_EQ(::pipe2(fds, O_CLOEXEC | O_NONBLOCK), 0);
  // Reads on the same thread between turns of the event loop: a writer that blocked would hang here.
  PipeWriter::start(fds[1], value);
  std::string received;
  bool ended = false;
  ASSERT_TRUE(processEventsUntil([&] {
    char buffer[16384];
    const ssize_t n = ::read(fds[0], buffer, sizeof buffer);
    if (n > 0) received.append(buffer, std::size_t(n));
    if (n == 0) ended = true;
    return ended;
  }, 60s));
  ::close(fds[0]);
  EXPECT_EQ(received.size(), value->size());
  EXPECT_TRUE(received == *value);

  ASSERT_EQ(::pipe2(fds, O_CLOEXEC), 0);
  ::close(fds[0]);  // the reader is gone before a byte is written
  PipeWriter::start(fds[1], value);
  bool stillRunning = false;
  QTimer::singleShot(50, [&] { stillRunning = true; });
  EXPECT_TRUE(processEventsUntil([&] { return stillRunning; })) << "no SIGPIPE ended the program";
}

}  // namespace
}  // namespace marbrel
