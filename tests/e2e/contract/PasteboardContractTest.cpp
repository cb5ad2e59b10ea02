// One suite, two clipboards: the Qt adapter on a real X server and the data-control adapter in a
// headless sway, where other programs make the copies and read what the program writes.
#include <algorithm>
#include <functional>
#include <mutex>

#include <gtest/gtest.h>

#include "contract/ContractEnvironment.h"
#include "shell/wayland/DataControlPasteboard.h"
#include "shell/wayland/WaylandConnection.h"
#include "shell/x11/QtPasteboard.h"
#include "shell/x11/X11ClipboardReader.h"
#include "support/QtEvents.h"

namespace marbrel {
namespace {

using Representations = std::vector<std::pair<std::string, std::string>>;
using e2e::ContractEnvironment;
using e2e::Process;

const std::string kScratch = std::string(MARBREL_E2E_OUTPUT) + "/contract";
const std::string kPng("\x89PNG\r\n\x1a\n\0\0\0\rIHDR\0\0\0\x01\0\0\0\x01\x08\x06\0\0\0\x1f\x15\xc4\x89", 33);

// What another program reads into `file` (`reader` writes it) while our event loop runs, as we may own it.
std::string readWhileServing(const std::string& file, const std::function<std::unique_ptr<Process>()>& reader) {
  std::remove(file.c_str());
  const auto running = reader();
  testing::processEventsUntil([&] { return !running->running(); }, std::chrono::seconds(60));
  return e2e::readFile(file);
}

struct QtPasteboardHarness {
  static std::string unavailable() { return ContractEnvironment::haveDisplay() ? "" : "no X server"; }
  QtPasteboard board;
  std::vector<std::unique_ptr<Process>> owners;
  Pasteboard& pasteboard() { return board; }
  void copyFromAnotherProgram(const Representations& copied) {
    owners.push_back(std::make_unique<Process>(e2e::ownClipboardCommand(copied, kScratch),
                                               ContractEnvironment::x().environment(), kScratch + "/owner.log"));
  }
  std::string readByAnotherProgram(const std::string& type) {
    const std::string out = kScratch + "/xclip-out";
    return readWhileServing(out, [&] {
      return std::make_unique<Process>(std::vector<std::string>{"xclip", "-selection", "clipboard", "-o", "-t", type},
                                       ContractEnvironment::x().environment(), out, out + ".err");
    });
  }
};

// This process is not in the session: it names the compositor's socket by its full path.
std::unique_ptr<WaylandConnection> connectTo(const std::string& socketPath) {
  qputenv("WAYLAND_DISPLAY", QByteArray::fromStdString(socketPath));
  return WaylandConnection::connectToCompositor();
}

struct DataControlPasteboardHarness {
  static std::string unavailable() {
    if (const std::string problem = ContractEnvironment::wayland().problem(); !problem.empty()) return problem;
    return connectTo(ContractEnvironment::wayland().socketPath()) ? ""
                                                                   : "the compositor offers no data-control protocol";
  }
  std::unique_ptr<WaylandConnection> connection = connectTo(ContractEnvironment::wayland().socketPath());
  std::unique_ptr<DataControlPasteboard> board = DataControlPasteboard::create(*connection);
  Pasteboard& pasteboard() { return *board; }
  void copyFromAnotherProgram(const Representations& copied) {
    ASSERT_TRUE(ContractEnvironment::wayland().copy(copied));
  }
  std::string readByAnotherProgram(const std::string& type) {
    auto& session = ContractEnvironment::wayland();
    const std::string out = session.runtimeDir() + "/pasted";
    return readWhileServing(out, [&] { return session.start({"sh", "-c", "wl-paste -n -t " + type + " > " + out}, ""); });
  }
};

template <typename Harness>
class PasteboardContract : public ::testing::Test {
 protected:
  void SetUp() override {
    if (const std::string unavailable = Harness::unavailable(); !unavailable.empty()) GTEST_SKIP() << unavailable;
    harness = std::make_unique<Harness>();
  }
  void TearDown() override { harness.reset(); }

  Pasteboard& board() { return harness->pasteboard(); }
  // The change has come when the count moved and the new contents offer `type` (a change signal of
  // the previous owner going away may come first).
  bool changedFrom(std::int64_t before, const std::string& type) {
    return testing::processEventsUntil(
        [&] {
          const auto items = board().changeCount() == before ? decltype(board().items()){} : board().items();
          return !items.empty() && contains(items.front()->types(), type);
        },
        std::chrono::seconds(30));
  }
  // Another program copies; returns once the clipboard reports the change.
  void copy(const Representations& copied) {
    const std::int64_t before = board().changeCount();
    harness->copyFromAnotherProgram(copied);
    ASSERT_TRUE(changedFrom(before, copied.front().first)) << "the change never arrived";
  }
  static bool contains(const std::vector<std::string>& list, const std::string& value) {
    return std::find(list.begin(), list.end(), value) != list.end();
  }
  // From now on each change the handler hears adds to `heard` the first format's bytes, as it could read them.
  void listen() {
    board().setChangeHandler([this] {
      const auto items = board().items();
      const auto first = items.empty() ? nullptr : items.front();
      heard.push_back(first ? first->dataForType(first->types().front()).value_or("(none)") : "(empty)");
    });
  }

  std::unique_ptr<Harness> harness;
  std::vector<std::string> heard;
};

using Harnesses = ::testing::Types<QtPasteboardHarness, DataControlPasteboardHarness>;
TYPED_TEST_SUITE(PasteboardContract, Harnesses);

// Each copy is heard once, when its contents can be read: one item with every format offered (named
// markers too, not protocol targets nor Qt's inventions) with their bytes; a marked copy's bytes go unread.
TYPED_TEST(PasteboardContract, AnotherProgramsCopiesAreHeardOnceWithTheirFormatsAndExactBytes) {
  const struct { const char* why; Representations copied; bool marked = false; } rows[] = {
      {"text with markup", {{"text/plain", "hello clipboard"}, {"text/html", "<b>hello</b> clipboard"}}},
      {"a binary image", {{"image/png", kPng}}},
      {"a password", {{"text/plain", "s3cret"}, {"x-kde-passwordManagerHint", "secret"}}, true},
      {"the first text again", {{"text/plain", "hello clipboard"}}},
  };
  this->listen();
  std::vector<std::string> expectedHeard;
  for (const auto& row : rows) {
    SCOPED_TRACE(row.why);
    this->copy(row.copied);
    expectedHeard.push_back(row.marked ? "(none)" : row.copied.front().second);
    const auto items = this->board().items();
    ASSERT_EQ(items.size(), 1u);
    const auto offered = items.front()->types();
    for (const auto& [type, bytes] : row.copied) {
      EXPECT_TRUE(this->contains(offered, type)) << type;
      EXPECT_TRUE(items.front()->dataForType(type) == (row.marked ? std::nullopt : std::optional(bytes))) << type;
    }
    for (const char* target : {"TARGETS", "MULTIPLE", "TIMESTAMP", "UTF8_STRING", "STRING", "application/x-qt-image"}) {
      EXPECT_FALSE(this->contains(offered, target)) << target;
    }
    EXPECT_FALSE(items.front()->dataForType("text/rtf").has_value()) << "a type not offered has no bytes";
  }
  this->board().setChangeHandler({});
  EXPECT_EQ(this->heard, expectedHeard);
}

// What the program writes is offered exactly, to itself and to other programs, until another copy
// replaces it: the types given bytes, in order, with their bytes; a declared type given none is not offered.
TYPED_TEST(PasteboardContract, WrittenContentsReadBackExactly) {
  const struct { const char* why; Representations written; } rows[] = {
      {"text with markup", {{"text/plain", "after"}, {"text/html", "<i>after</i>"}}},
      {"an image alone, far larger than a pipe or a request holds",
       {{"image/png", std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16) + std::string(3u << 20, '\x7f') + "end"}}},
      {"files as a file manager copies them",
       {{"text/uri-list", "file:///tmp/a.txt\r\nfile:///tmp/b.txt\r\n"},
        {"x-special/gnome-copied-files", "copy\nfile:///tmp/a.txt\nfile:///tmp/b.txt"},
        {"text/plain", "/tmp/a.txt\n/tmp/b.txt"}}},
  };
  this->copy({{"text/plain", "before"}, {"text/html", "<i>before</i>"}});
  for (const auto& row : rows) {
    SCOPED_TRACE(row.why);
    const std::int64_t before = this->board().changeCount();
    std::vector<std::string> declared;
    for (const auto& [type, bytes] : row.written) declared.push_back(type);
    declared.push_back("application/x-never-written");
    this->board().declareTypes(declared);
    for (const auto& [type, bytes] : row.written) this->board().setData(bytes, type);
    this->board().setData(std::nullopt, "application/x-never-written");
    ASSERT_TRUE(this->changedFrom(before, row.written.front().first)) << "our own write is a change like any other";
    const auto items = this->board().items();
    ASSERT_EQ(items.size(), 1u);
    declared.pop_back();
    EXPECT_EQ(items.front()->types(), declared);
    for (const auto& [type, bytes] : row.written) {
      EXPECT_TRUE(items.front()->dataForType(type) == bytes) << type;
      EXPECT_TRUE(this->harness->readByAnotherProgram(type) == bytes) << type << " as another program reads it";
    }
    EXPECT_EQ(this->harness->readByAnotherProgram("application/x-never-written"), "");
  }
  this->copy({{"text/plain", "replacement"}});
  EXPECT_EQ(this->harness->readByAnotherProgram("text/plain"), "replacement") << "ours is served no longer";
}

// Selecting text with the mouse changes the primary selection, which is not a copy: the copy after it
// is heard once, with its own types and bytes, nothing of the mouse selection's.
using DataControlSelections = PasteboardContract<DataControlPasteboardHarness>;
TEST_F(DataControlSelections, AMouseSelectionIsNoCopyAndLeavesTheNextCopyItsOwnTypes) {
  listen();
  ASSERT_EQ(ContractEnvironment::wayland().run({"wl-copy", "--primary", "selected words"}).exitCode, 0);
  // The adapter handles it before the next copy comes, as when a moment passes between them.
  ASSERT_TRUE(harness->connection->roundtrip());
  copy({{"image/png", kPng}});
  const auto items = board().items();
  ASSERT_EQ(items.size(), 1u);
  EXPECT_EQ(items.front()->types(), std::vector<std::string>{"image/png"});
  EXPECT_EQ(items.front()->dataForType("image/png"), kPng);
  board().setChangeHandler({});
  EXPECT_EQ(heard, std::vector<std::string>{kPng});
}

// An owner that takes longer to answer than the reader lets it stay silent between pieces (a
// compositor handing a Wayland copy to XWayland on a busy machine) is still read: nothing else wants
// the clipboard meanwhile, and giving up would lose the copy for good.
TEST(X11ClipboardReading, AnOwnerSlowToAnswerIsWaitedFor) {
  if (!ContractEnvironment::haveDisplay()) GTEST_SKIP() << "no X server";
  std::mutex mutex;
  std::vector<X11ClipboardReader::Reading> readings;
  X11ClipboardReader reader(
      "CLIPBOARD",
      [&](X11ClipboardReader::Reading reading) {
        const std::lock_guard lock(mutex);
        readings.push_back(std::move(reading));
      },
      {.idle = std::chrono::milliseconds(100)});
  ASSERT_TRUE(reader.isWatching());
  Process owner({MARBREL_E2E_HELPER, "slow-clipboard", "1000", "text/plain", "slow to come"},
                ContractEnvironment::x().environment(), kScratch + "/slow-owner.log");
  const auto text = [&]() -> std::optional<std::string> {
    const std::lock_guard lock(mutex);
    for (const auto& format : readings.empty() ? X11ClipboardReader::Contents{} : readings.back().contents) {
      if (format.type == "text/plain") return format.bytes.value_or("(none)");
    }
    return std::nullopt;
  };
  ASSERT_TRUE(e2e::waitFor([&] { return text().has_value(); }, std::chrono::seconds(60))) << "no reading";
  EXPECT_EQ(text(), "slow to come");
}

}  // namespace
}  // namespace marbrel
