// What only the data-control adapter in a real Wayland session can show: quick copies, owners that
// stall or send too much, marked copies, and what the clipboard held at start.
#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include <QTimer>

#include <gtest/gtest.h>

#include "contract/ContractEnvironment.h"
#include "shell/DataControlPasteboard.h"
#include "shell/WaylandConnection.h"
#include "support/Process.h"
#include "support/QtEvents.h"
#include "support/WaylandSession.h"

namespace marbrel {
namespace {

using namespace std::chrono_literals;
using e2e::Process;
using testing::processEventsUntil;

class DataControlPasteboardInSway : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!session().problem().empty()) GTEST_SKIP() << session().problem();
    qputenv("WAYLAND_DISPLAY", QByteArray::fromStdString(session().socketPath()));
    connection = WaylandConnection::connectToCompositor();
    ASSERT_TRUE(connection) << "cannot reach the compositor";
  }
  static e2e::WaylandSession& session() { return e2e::ContractEnvironment::wayland(); }

  void startBoard(SelectionReader::Limits limits = {}) {
    board = DataControlPasteboard::create(*connection, limits);
    ASSERT_TRUE(board) << "the compositor offers no data-control protocol";
    board->setChangeHandler([this] {
      const auto items = board->items();
      seen.push_back(items.empty() ? "(empty)" : items.front()->stringForType("text/plain").value_or("(no text)"));
    });
  }
  // wl-copy returns once the copy is the clipboard's and leaves a process serving it; our event loop
  // runs meanwhile, as the program's would.
  bool wlCopy(const std::string& text) {
    copiers.push_back(session().start({"wl-copy", text}, ""));
    Process& copier = *copiers.back();
    return processEventsUntil([&] { return !copier.running(); }) && copier.exitStatus() == 0;
  }
  bool waitUntilSeen(const std::string& text) {
    return processEventsUntil([&] { return !seen.empty() && seen.back() == text; });
  }

  std::unique_ptr<WaylandConnection> connection;
  std::unique_ptr<DataControlPasteboard> board;
  std::vector<std::string> seen;  // the text of each change, as the change handler saw it
  std::vector<std::unique_ptr<e2e::Process>> copiers;
};

TEST_F(DataControlPasteboardInSway, WhatIsOnTheClipboardAtStartIsNoChangeAndEachLaterCopyIsOne) {
  ASSERT_TRUE(wlCopy("there before"));
  startBoard();
  ASSERT_TRUE(wlCopy("first"));
  ASSERT_TRUE(wlCopy("second"));  // at once, long before a one-second check would come
  ASSERT_TRUE(waitUntilSeen("second"));
  EXPECT_EQ(seen, (std::vector<std::string>{"first", "second"}));
  EXPECT_EQ(board->changeCount(), 2);
}

TEST_F(DataControlPasteboardInSway, AnOwnerThatStallsOrSendsTooMuchIsGivenUpAndTheNextCopyIsSeen) {
  struct Row {
    const char* why;
    std::function<bool()> copy;
  };
  const std::vector<Row> rows = {
      {"an owner that never sends its bytes",
       [this] {
         // Once we asked for the bytes, the owner hangs for good.
         return session().copyStalled({"text/plain"}) &&
                processEventsUntil([] { return session().lastCopierOutput().find("asked") != std::string::npos; });
       }},
      {"an owner that sends more than the limit", [this] { return wlCopy(std::string(8192, 'x')); }},
  };
  SelectionReader::Limits limits;
  limits.stall = 500ms;
  limits.maxBytes = 4096;
  startBoard(limits);
  for (const Row& row : rows) {
    SCOPED_TRACE(row.why);
    seen.clear();
    int ticks = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
    ticker.start(20);
    ASSERT_TRUE(row.copy());
    ASSERT_TRUE(wlCopy("after it"));
    ASSERT_TRUE(waitUntilSeen("after it"));
    EXPECT_EQ(seen, std::vector<std::string>{"after it"}) << "the given-up copy is no change";
    EXPECT_GT(ticks, 0) << "the event loop kept running";
  }
}

TEST_F(DataControlPasteboardInSway, TheBytesOfAMarkedCopyAreNeverRead) {
  startBoard();
  ASSERT_TRUE(session().copy({{"text/plain", "hunter2"}, {"x-kde-passwordManagerHint", "secret"}}));
  ASSERT_TRUE(processEventsUntil([&] { return !seen.empty(); }));
  const auto items = board->items();
  ASSERT_EQ(items.size(), 1u);
  const auto types = items.front()->types();
  EXPECT_NE(std::find(types.begin(), types.end(), "x-kde-passwordManagerHint"), types.end());
  EXPECT_FALSE(items.front()->dataForType("text/plain").has_value());
}

}  // namespace
}  // namespace marbrel
