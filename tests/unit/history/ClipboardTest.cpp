#include "core/history/Clipboard.h"

#include <gtest/gtest.h>

#include "StoreTestSupport.h"
#include "core/history/History.h"
#include "core/history/WaitingPaste.h"
#include "core/platform/ModifierFlags.h"
#include "fakes/FakeFrontWindow.h"
#include "fakes/FakeKeySynthesizer.h"
#include "fakes/FakeMainQueue.h"
#include "fakes/FakePasteboard.h"

namespace marbrel {
namespace {

using Item = FakePasteboard::Item;
using Contents = std::vector<std::pair<std::string, std::optional<std::string>>>;

Item makeItem(Contents representations) {
  Item item;
  item.representations = std::move(representations);
  return item;
}

// The types and values of a captured entry, in order.
Contents contentsOf(const HistoryItemPtr& item) {
  Contents result;
  for (const auto& content : item->contents()) result.emplace_back(*content->type(), content->value());
  return result;
}

class ClipboardTest : public testing::StoreTest {
 protected:
  ClipboardTest() {
    pasteboard.copyText("on the clipboard before launch");
    clipboard = std::make_unique<Clipboard>(pasteboard, keys, env.clock, *store, env.configuration);
    clipboard->onNewCopy([this](const HistoryItemPtr& item) { captured.push_back(item); });
  }

  std::unique_ptr<HistoryStore> store = env.openInMemory();
  FakePasteboard pasteboard;
  FakeKeySynthesizer keys;
  std::unique_ptr<Clipboard> clipboard;
  std::vector<HistoryItemPtr> captured;
};

TEST_F(ClipboardTest, WhatIsOnTheClipboardAtLaunchIsNeverRecordedAndAnEmptyClipboardConsumesTheChange) {
  clipboard->checkForChangesInPasteboard();
  EXPECT_TRUE(captured.empty());
  pasteboard.clearContents();
  clipboard->checkForChangesInPasteboard();
  EXPECT_TRUE(captured.empty());
  EXPECT_EQ(clipboard->changeCount(), pasteboard.changeCount());
}

TEST_F(ClipboardTest, EveryTypeOfAnAcceptedItemIsRecordedInOrderAndEachItemIsAnEntry) {
  const std::string png("\x89PNG\0\1", 6), notUtf8("\xff\xfe\x00\x80 x", 6);
  pasteboard.copy({makeItem({{"text/html", "<b>x</b>"}, {"text/plain", "x"}, {"application/x-odd", std::nullopt}}),
                   makeItem({{"image/png", png}}), makeItem({{"image/tiff", "II*\0"}, {"image/png", ""}}),
                   makeItem({{"text/plain", notUtf8}})});
  clipboard->checkForChangesInPasteboard();
  ASSERT_EQ(captured.size(), 4u);
  EXPECT_EQ(contentsOf(captured[0]), (Contents{{"text/html", "<b>x</b>"}, {"text/plain", "x"}}))
      << "a format without bytes is left out";
  EXPECT_EQ(contentsOf(captured[1]), (Contents{{"image/png", png}}));
  EXPECT_EQ(contentsOf(captured[2])[1].second, "") << "empty, not absent";
  EXPECT_EQ(contentsOf(captured[3]), (Contents{{"text/plain", notUtf8}}));
}

TEST_F(ClipboardTest, ItemsThatMustNotBeRecordedAreSkipped) {
  env.defaults.set("ignoredPasteboardTypes", Defaults::Value::array({"application/x-secret"}));
  pasteboard.copy({
      makeItem({{"text/html", "<i>rich only</i>"}, {"text/rtf", "{\\rtf}"}}),
      makeItem({{"text/plain", "password"}, {"org.nspasteboard.ConcealedType", ""}}),
      makeItem({{"text/plain", "t"}, {"org.nspasteboard.TransientType", std::nullopt}}),  // a marker without bytes
      makeItem({{"text/plain", "b"}, {"application/x-secret", ""}}),
      makeItem({{"text/plain", " \n\t\u00a0\u2028\u3000\u0085 "}, {"image/png", "png"}}),
      makeItem({{"image/png", std::nullopt}, {"text/html", "<img>"}}),  // the image's bytes were not given
      makeItem({{"text/plain", "kept"}}),
      makeItem({{"text/plain", "\u200b"}}),  // zero width space is a format character, not white space
  });
  clipboard->checkForChangesInPasteboard();
  EXPECT_EQ(testing::textsOf(captured), (testing::Texts{"kept", "\u200b"}));
}

TEST_F(ClipboardTest, WhileEventsAreIgnoredTheChangeStaysUnseenUntilTheSettingIsOff) {
  env.defaults.setBool("ignoreEvents", true);
  pasteboard.copyText("first");
  pasteboard.copyText("second");
  clipboard->checkForChangesInPasteboard();
  EXPECT_TRUE(captured.empty());

  env.defaults.setBool("ignoreEvents", false);
  clipboard->checkForChangesInPasteboard();
  EXPECT_EQ(testing::textsOf(captured), testing::Texts{"second"});
}

TEST_F(ClipboardTest, AnnouncedChangesAreCheckedOnTheNextTurnOthersEverySecondButNotWhileSuspended) {
  clipboard->startListening();
  pasteboard.copyText("one");
  env.clock.runUntilIdle();
  pasteboard.copyText("two");
  env.clock.runUntilIdle();
  EXPECT_EQ(testing::textsOf(captured), (testing::Texts{"one", "two"})) << "no time passed, yet both are recorded";
  pasteboard.announcesChanges = false;
  pasteboard.copyText("three");
  env.clock.advance(1.0);
  EXPECT_EQ(captured.size(), 3u);
  clipboard->setSuspended(true);
  pasteboard.copyText("four");
  env.clock.advance(3.0);
  EXPECT_EQ(captured.size(), 3u);
  clipboard->setSuspended(false);
  env.clock.advance(1.0);
  EXPECT_EQ(captured.size(), 4u);
  pasteboard.announcesChanges = true;
  pasteboard.copyText("five");
  clipboard.reset();  // a clipboard that outlives the watcher no longer calls it
  env.clock.advance(1.0);
  EXPECT_EQ(captured.size(), 4u);
}

// A format whose bytes could not be read (dropped by its owner, or no MIME type) is not written back.
TEST_F(ClipboardTest, AChosenEntryIsWrittenBackWithEveryFormatThatHasBytesAndMergesIntoItself) {
  History history(*store, env.configuration);
  clipboard->onNewCopy([&history](const HistoryItemPtr& item) { history.add(item); });
  pasteboard.copy({makeItem({{"text/plain", "hello"},
                             {"application/x-dropped", std::nullopt},
                             {"text/html", "<b>hello</b>"},
                             {"Custom-Target", std::nullopt}})});
  clipboard->checkForChangesInPasteboard();
  ASSERT_EQ(history.all().size(), 1u);

  clipboard->copy(history.all().front());
  EXPECT_EQ(pasteboard.declaredTypes(), (std::vector<std::string>{"text/plain", "text/html"}));
  EXPECT_EQ(pasteboard.writes(), (Contents{{"text/plain", "hello"}, {"text/html", "<b>hello</b>"}}));
  clipboard->checkForChangesInPasteboard();
  ASSERT_EQ(history.all().size(), 1u) << "merged into the chosen entry, not added beside it";
  EXPECT_EQ(history.all().front()->numberOfCopies(), 2);
}

// Programs read a combination by the character its key types. Under Dvorak "v" is on the key whose
// ANSI code is 47 (the US period): a synthesizer that goes through the user's layout (XTest, KWin's
// fake input) must press that key; one that types through a keymap of its own or sends keysyms (the
// virtual keyboard, the portal) must press its own V, the ANSI 9, or nothing is pasted. Terminals
// get their own combination; Shift+Insert pastes the primary selection, so the entry goes there too.
TEST_F(ClipboardTest, PasteSendsTheFrontProgramsCombinationAsTheKeyTheSynthesizerReadsAsItsLetter) {
  constexpr std::uint64_t kCtrl = cocoa_flags::kCommand, kShift = cocoa_flags::kShift;
  constexpr std::uint16_t kAnsiV = 9, kDvorakV = 47, kInsert = 114;
  struct Row { std::vector<std::string> front; bool ownKeymap; std::uint16_t keyCode; std::uint64_t flags; bool primary;
               const char* why; } rows[] = {
      {{}, false, kDvorakV, kCtrl, false, "XTest under Dvorak: the key that types v there"},
      {{}, true, kAnsiV, kCtrl, false, "virtual keyboard or portal: their own v, whatever the user's layout"},
      {{"gnome-terminal-server", "Gnome-terminal"}, false, kDvorakV, kCtrl | kShift, false,
       "GNOME Terminal by its X11 class, through the user's layout"},
      {{"foot"}, true, kAnsiV, kCtrl | kShift, false, "foot by its Wayland app id, in the own keymap"},
      {{"xterm", "XTerm"}, false, kInsert, kShift, true, "xterm: Shift+Insert, from the primary selection"},
  };
  FakeFrontWindow front;
  clipboard->setFrontWindow(&front);
  clipboard->setKeyCodeSource([](Key key) -> std::optional<std::uint16_t> {
    if (key == Key::v) return kDvorakV;
    return std::nullopt;
  });
  pasteboard.copyText("entry text");
  clipboard->checkForChangesInPasteboard();
  ASSERT_EQ(captured.size(), 1u);
  for (const Row& row : rows) {
    SCOPED_TRACE(row.why);
    front.ids = row.front;
    keys.ownKeymap = row.ownKeymap;
    keys.events.clear();
    pasteboard.primarySelection.reset();
    clipboard->noteFrontWindow();
    front.ids.clear();  // the menu has the keyboard now: what counts is the window noted before
    clipboard->copy(captured.front());
    clipboard->paste();
    env.clock.runUntilIdle();
    EXPECT_EQ(keys.events, (std::vector<FakeKeySynthesizer::Event>{{row.keyCode, true, row.flags},
                                                                   {row.keyCode, false, row.flags}}));
    EXPECT_EQ(pasteboard.primarySelection, row.primary ? std::optional<std::string>("entry text") : std::nullopt);
  }
}

// Pastes asked for while the desktop's permission dialog is open: each is Control and a key, pressed
// and released; the key tells the pastes apart. `ages` are the seconds each paste was asked before
// the answer, oldest first.
TEST(WaitingPasteTest, OnlyTheNewestPasteWaitsAndOnlyForAFewSeconds) {
  using Key = WaitingPaste::Key;
  const auto paste = [](int key) { return std::vector<Key>{{1, true}, {key, true}, {key, false}, {1, false}}; };
  const struct { std::vector<double> ages; std::vector<Key> typed; } cases[] = {
      {{2.0, 1.0, 0.2}, paste(102)},  // three while the dialog was open: the newest alone
      {{10.0, 3.0}, paste(101)},      // the older is stale, the newest still due
      {{3.5}, {}},                    // too old: the user no longer expects it
  };
  for (const auto& c : cases) {
    FakeMainQueue clock;
    WaitingPaste waiting(clock);
    double asked = 0;
    for (std::size_t i = 0; i < c.ages.size(); ++i) {
      clock.advance(c.ages.front() - c.ages[i] - asked);
      asked = c.ages.front() - c.ages[i];
      for (const Key& key : paste(100 + int(i))) waiting.hold(key);
    }
    clock.advance(c.ages.empty() ? 0 : c.ages.back());
    EXPECT_EQ(waiting.release(), c.typed) << "asked " << c.ages.size() << " times";
    EXPECT_TRUE(waiting.release().empty()) << "released once";
  }
}

}  // namespace
}  // namespace marbrel
