// One suite, three clipboards: the in-memory fake the unit tests use, the Qt adapter on a real X
// server where another program (a separate X client) makes the copies, and the data-control adapter
// in a headless sway where a native Wayland program makes them.
#include <algorithm>
#include <chrono>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "contract/ContractEnvironment.h"
#include "fakes/FakePasteboard.h"
#include "shell/DataControlPasteboard.h"
#include "shell/QtPasteboard.h"
#include "shell/WaylandConnection.h"
#include "support/Process.h"
#include "support/QtEvents.h"
#include "support/WaylandSession.h"
#include "support/XSession.h"

namespace marbrel {
namespace {

using Representations = std::vector<std::pair<std::string, std::string>>;

// The change has arrived when the count moved and the new owner's formats are offered (a change
// signal of the previous owner going away may come first).
bool changed(Pasteboard& board, std::int64_t before, const std::string& expectedType) {
  return testing::processEventsUntil(
      [&] {
        if (board.changeCount() == before) return false;
        const auto items = board.items();
        if (items.empty()) return false;
        const auto types = items.front()->types();
        return std::find(types.begin(), types.end(), expectedType) != types.end();
      },
      std::chrono::seconds(30));
}

// What another program reads of `type` while our event loop runs (we may be the owner): `command`
// writes it to `file`.
std::string readWhileServing(const std::string& file, const std::function<std::unique_ptr<e2e::Process>()>& command) {
  std::remove(file.c_str());
  const auto reader = command();
  testing::processEventsUntil([&] { return !reader->running(); }, std::chrono::seconds(60));
  return e2e::readFile(file);
}

struct FakePasteboardHarness {
  static std::string unavailable() { return {}; }
  FakePasteboard board;
  Pasteboard& pasteboard() { return board; }
  void copyFromAnotherProgram(const Representations& representations) {
    FakePasteboard::Item item;
    for (const auto& [type, bytes] : representations) item.representations.emplace_back(type, bytes);
    board.copy({item});
  }
  bool waitForChangeFrom(std::int64_t, const std::string&) { return true; }
  std::string readByAnotherProgram(const std::string& type) {
    const auto items = board.items();
    return items.empty() ? "" : items.front()->dataForType(type).value_or("");
  }
};

struct QtPasteboardHarness {
  static std::string unavailable() { return e2e::ContractEnvironment::haveDisplay() ? "" : "no X server"; }
  QtPasteboard board;
  Pasteboard& pasteboard() { return board; }
  std::vector<std::unique_ptr<e2e::Process>> owners;

  void copyFromAnotherProgram(const Representations& representations) {
    const auto argv = e2e::ownClipboardCommand(representations, std::string(MARBREL_E2E_OUTPUT) + "/contract");
    owners.push_back(std::make_unique<e2e::Process>(argv, e2e::ContractEnvironment::session()->environment(),
                                                    std::string(MARBREL_E2E_OUTPUT) + "/contract/owner.log"));
  }

  bool waitForChangeFrom(std::int64_t before, const std::string& type) { return changed(board, before, type); }
  // xclip asks on its own connection; our event loop must run to answer it.
  std::string readByAnotherProgram(const std::string& type) {
    const std::string out = std::string(MARBREL_E2E_OUTPUT) + "/contract/xclip-out";
    return readWhileServing(out, [&] {
      return std::make_unique<e2e::Process>(std::vector<std::string>{"xclip", "-selection", "clipboard", "-o", "-t", type},
                                            e2e::ContractEnvironment::session()->environment(), out,
                                            out + ".err");
    });
  }
};

// The compositor announces every selection, ours too, as a new offer that the adapter reads.
struct DataControlPasteboardHarness {
  static std::string unavailable() {
    const std::string& problem = e2e::ContractEnvironment::wayland().problem();
    if (!problem.empty()) return problem;
    return connect() ? "" : "the compositor offers no data-control protocol";
  }
  static std::unique_ptr<WaylandConnection> connect() {
    // This process is not in the session: it names the compositor's socket by its full path.
    qputenv("WAYLAND_DISPLAY", QByteArray::fromStdString(e2e::ContractEnvironment::wayland().socketPath()));
    return WaylandConnection::connectToCompositor();
  }

  std::unique_ptr<WaylandConnection> connection = connect();
  std::unique_ptr<DataControlPasteboard> board = connection ? DataControlPasteboard::create(*connection) : nullptr;

  Pasteboard& pasteboard() { return *board; }
  void copyFromAnotherProgram(const Representations& representations) {
    ASSERT_TRUE(e2e::ContractEnvironment::wayland().copy(representations));
  }
  bool waitForChangeFrom(std::int64_t before, const std::string& type) { return changed(*board, before, type); }
  std::string readByAnotherProgram(const std::string& type) {
    auto& session = e2e::ContractEnvironment::wayland();
    const std::string out = session.runtimeDir() + "/pasted";
    return readWhileServing(out, [&] {
      return session.start({"sh", "-c", "wl-paste --no-newline --type " + type + " > " + out}, "");
    });
  }
};

template <typename Harness>
class PasteboardContract : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string unavailable = Harness::unavailable();
    if (!unavailable.empty()) GTEST_SKIP() << unavailable;
    harness = std::make_unique<Harness>();
  }
  void TearDown() override { harness.reset(); }

  Pasteboard& board() { return harness->pasteboard(); }
  // Another program copies; returns once the clipboard reports the change.
  void copy(const Representations& representations) {
    const std::int64_t before = board().changeCount();
    harness->copyFromAnotherProgram(representations);
    ASSERT_TRUE(harness->waitForChangeFrom(before, representations.front().first)) << "the change never arrived";
  }
  std::vector<std::string> types() {
    const auto items = board().items();
    return items.empty() ? std::vector<std::string>{} : items.front()->types();
  }
  static bool has(const std::vector<std::string>& list, const std::string& value) {
    return std::find(list.begin(), list.end(), value) != list.end();
  }

  std::unique_ptr<Harness> harness;
};

using Harnesses = ::testing::Types<FakePasteboardHarness, QtPasteboardHarness, DataControlPasteboardHarness>;
TYPED_TEST_SUITE(PasteboardContract, Harnesses);

TYPED_TEST(PasteboardContract, AnotherProgramsCopyIsOneItemWithEveryFormatAndItsBytes) {
  this->copy({{"text/plain", "hello clipboard"}, {"text/html", "<b>hello</b> clipboard"}});
  const auto items = this->board().items();
  ASSERT_EQ(items.size(), 1u);
  const auto offered = items.front()->types();
  EXPECT_TRUE(this->has(offered, "text/plain"));
  EXPECT_TRUE(this->has(offered, "text/html"));
  EXPECT_EQ(items.front()->dataForType("text/html"), "<b>hello</b> clipboard");
  EXPECT_EQ(items.front()->stringForType("text/plain"), "hello clipboard");
  EXPECT_FALSE(items.front()->dataForType("image/png").has_value()) << "a type not offered has no bytes";
}

TYPED_TEST(PasteboardContract, MarkerFormatsArePartOfTheTypesButProtocolTargetsAreNot) {
  this->copy({{"text/plain", "s3cret"}, {"x-kde-passwordManagerHint", "secret"}});
  const auto offered = this->types();
  EXPECT_TRUE(this->has(offered, "x-kde-passwordManagerHint"));
  for (const char* target : {"TARGETS", "MULTIPLE", "TIMESTAMP", "SAVE_TARGETS", "UTF8_STRING", "STRING"}) {
    EXPECT_FALSE(this->has(offered, target)) << target;
  }
}

TYPED_TEST(PasteboardContract, BinaryImageBytesArriveUnchanged) {
  const std::string png("\x89PNG\r\n\x1a\n\0\0\0\rIHDR\0\0\0\x01\0\0\0\x01\x08\x06\0\0\0\x1f\x15\xc4\x89", 33);
  this->copy({{"image/png", png}});
  const auto items = this->board().items();
  ASSERT_EQ(items.size(), 1u);
  EXPECT_EQ(items.front()->dataForType("image/png"), png);
  EXPECT_FALSE(this->has(items.front()->types(), "application/x-qt-image")) << "Qt's invention is left out";
}

TYPED_TEST(PasteboardContract, TheChangeHandlerHearsOfEachCopyOnceItsContentsCanBeRead) {
  std::vector<std::string> heard;  // the text each call could read
  this->board().setChangeHandler([&] {
    const auto items = this->board().items();
    heard.push_back(items.empty() ? "" : items.front()->stringForType("text/plain").value_or(""));
  });
  this->copy({{"text/plain", "first"}});
  this->copy({{"text/plain", "second"}});
  this->board().setChangeHandler({});
  EXPECT_NE(std::find(heard.begin(), heard.end(), "first"), heard.end());
  ASSERT_FALSE(heard.empty());
  EXPECT_EQ(heard.back(), "second");
}

// What the program writes is offered exactly, to itself and to other programs, until another copy
// replaces it: the types given bytes, in order, with their bytes; a declared type given none is not offered.
TYPED_TEST(PasteboardContract, WrittenContentsReadBackExactly) {
  const struct {
    const char* why;
    Representations written;
  } rows[] = {
      {"text with markup", {{"text/plain", "after"}, {"text/html", "<i>after</i>"}}},
      {"an image alone, far larger than a pipe or a request holds",
       {{"image/png", std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16) + std::string(3u << 20, '\x7f') + "end"}}},
      {"a file alone", {{"text/uri-list", "file:///tmp/a%20b.txt\r\n"}}},
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
    ASSERT_TRUE(this->harness->waitForChangeFrom(before, row.written.front().first))
        << "our own write is a change like any other";
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

// What only the real clipboard can show.
class QtPasteboardOnX11 : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!e2e::ContractEnvironment::haveDisplay()) GTEST_SKIP() << "no X server";
  }
};

TEST_F(QtPasteboardOnX11, TextThatIsNotUtf8ReachesTheCoreAsValidText) {
  // Qt converts X text targets to Unicode; malformed bytes become replacement characters, so the
  // core never sees invalid UTF-8 from another program.
  QtPasteboardHarness harness;
  const std::int64_t before = harness.board.changeCount();
  harness.copyFromAnotherProgram({{"text/plain", std::string("ok \xff\xfe\xfd", 6)}});
  ASSERT_TRUE(harness.waitForChangeFrom(before, "text/plain"));
  const auto items = harness.board.items();
  ASSERT_EQ(items.size(), 1u);
  const std::optional<std::string> text = items.front()->stringForType("text/plain");
  ASSERT_TRUE(text.has_value());
  EXPECT_EQ(text->rfind("ok ", 0), 0u);
  EXPECT_EQ(QString::fromUtf8(text->data(), qsizetype(text->size())).toStdString(), *text);
}

}  // namespace
}  // namespace marbrel
