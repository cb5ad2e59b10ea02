#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "StoreTestSupport.h"
#include "core/history/History.h"
#include "support/TempDir.h"

namespace marbrel {
namespace {

using testing::text;
using testing::textsOf;
using testing::Texts;
using Items = std::vector<HistoryItemPtr>;

std::size_t lineCount(const std::string& text) { return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')); }

class HistoryTest : public testing::StoreTest {
 protected:
  std::unique_ptr<HistoryStore> store = env.openInMemory();
  History history{*store, env.configuration};

  // A copy as the clipboard makes it: a new entry a second after the previous one, then add.
  HistoryItemPtr copy(std::vector<NewContent> contents) {
    env.clock.advance(1);
    auto item = store->insertItem(std::move(contents));
    history.add(item);
    return item;
  }
  HistoryItemPtr copyText(const std::string& value) { return copy(text(value)); }
  HistoryItemPtr pinned(const std::string& value) {
    auto item = copyText(value);
    item->setPin(value);
    store->saveContext();
    return item;
  }
};

TEST_F(HistoryTest, DistinctCopyIntoAFullHistoryDropsTheOldestUnpinnedEntryEvenWhenItIsTheMatch) {
  env.configuration.setHistorySize(3);
  auto pin = pinned("p");
  for (const char* name : {"a", "b", "c", "d"}) copyText(name);
  EXPECT_EQ(textsOf(store->unpinned()), (Texts{"d", "c", "b"}));
  auto again = copyText("b");  // its only match is trimmed first, so it stays as a fresh entry
  EXPECT_EQ(again->numberOfCopies(), 1);
  EXPECT_EQ(textsOf(store->unpinned()), (Texts{"b", "d", "c"}));
  EXPECT_TRUE(pin->isLive());
  EXPECT_FALSE(store->hasChanges());
}

TEST_F(HistoryTest, RepeatedCopyMergesIntoTheOldestEqualEntryKeepingItsDateAndPin) {
  auto oldest = pinned("same");
  const double created = oldest->firstCopiedAt();
  env.clock.advance(1);
  auto middle = store->insertItem(text("same"));  // equal entries can exist side by side
  copyText("other");
  auto again = copyText("same");
  EXPECT_FALSE(again->isLive());
  EXPECT_EQ(oldest->numberOfCopies(), 2);
  EXPECT_EQ(oldest->lastCopiedAt(), again->firstCopiedAt());
  EXPECT_EQ(oldest->firstCopiedAt(), created);
  EXPECT_EQ(oldest->pin(), "same");
  EXPECT_EQ(middle->numberOfCopies(), 1);
  EXPECT_EQ(store->count(), 3u);
  EXPECT_FALSE(store->hasChanges());
}

TEST_F(HistoryTest, ZeroOrNegativeLimitRemovesEveryUnpinnedEntryButKeepsPinnedOnes) {
  auto pin = pinned("pinned");
  copyText("a");
  env.configuration.setHistorySize(0);
  EXPECT_EQ(history.all(), (Items{pin}));
  EXPECT_FALSE(store->hasChanges()) << "the trim is saved at once";
  EXPECT_FALSE(copyText("b")->isLive());
  // A copy of the pinned text is trimmed before it can be compared, so nothing merges.
  copyText("pinned");
  EXPECT_EQ(pin->numberOfCopies(), 1);
  env.configuration.setHistorySize(-5);
  copyText("c");
  EXPECT_EQ(history.all(), (Items{pin}));
  EXPECT_FALSE(store->hasChanges());
}

// Copies of 100 kB find no room in 10 pages of 4 kB: each waits, and the oldest stored entry is
// trimmed for it, to come back should that copy leave unstored.
TEST_F(HistoryTest, EntriesTrimmedForCopiesWaitingForRoomComeBackOnlyWithoutThemAndGoWhenCleared) {
  auto letters = [](const Items& items) {
    std::string first;
    for (const auto& item : items) first += item->contents()[0]->value()->front();
    return first;
  };
  auto waiting = [](char letter) { return text(std::string(100 * 1024, letter)); };
  env.configuration.setHistorySize(2);
  pinned("p");
  copyText("a");
  copyText("b");
  store->limitSpace(10, 1 << 30);
  copy(waiting('w'));
  copy(waiting('v'));
  EXPECT_EQ(letters(history.all()), "vwp");
  copy(waiting('u'));  // "w" is trimmed before it was stored: "a", trimmed for it, goes for "u" now
  EXPECT_EQ(letters(store->all()), "uvp") << "the limit holds once the copy is added";
  history.clearUnpinned();
  EXPECT_EQ(letters(history.all()), "p");
  copyText("c");
  copyText("d");
  copy(waiting('x'));
  history.clearAll();
  EXPECT_EQ(letters(history.all()), "");
  store.reset();
  EXPECT_EQ(env.errors.str(), "") << "nothing was waiting any more";
}

TEST_F(HistoryTest, ContentsMatchInAnyOrderButNeverWithADifferentCount) {
  auto first = copy({{"text/plain", "hi"}, {"text/html", "<b>hi</b>"}});
  EXPECT_FALSE(copy({{"text/html", "<b>hi</b>"}, {"text/plain", "hi"}})->isLive());
  EXPECT_EQ(first->numberOfCopies(), 2);
  EXPECT_TRUE(copy({{"text/plain", "hi"}})->isLive());
  EXPECT_TRUE(copy({{"text/plain", "hi"}, {"text/html", "<b>hi</b>"}, {"text/x-moz-url", "x"}})->isLive());
  auto repeated = copy({{"a", "1"}, {"a", "1"}});  // found although its digest differs
  EXPECT_FALSE(copy({{"a", "1"}, {"b", "2"}})->isLive());
  EXPECT_EQ(repeated->numberOfCopies(), 2);
}

TEST_F(HistoryTest, SameContentsComparesTypesAndBytesWithAbsentUnlikeEmpty) {
  auto same = [&](std::vector<NewContent> a, std::vector<NewContent> b) {
    return History::sameContents(*store->insertItem(std::move(a)), *store->insertItem(std::move(b)));
  };
  EXPECT_FALSE(same({{"text/plain", "data"}}, {{"image/png", "data"}}));
  EXPECT_FALSE(same({{"text/plain", ""}}, {{"text/plain", std::nullopt}}));
  EXPECT_TRUE(same({{std::nullopt, "v"}}, {{std::nullopt, "v"}}));
  EXPECT_FALSE(same({{std::nullopt, "v"}}, {{"", "v"}}));
  // Every content of the earlier entry must appear in the later one; counts play no part.
  EXPECT_FALSE(same({{"a", "1"}, {"b", "2"}}, {{"a", "1"}, {"a", "1"}}));
}

TEST_F(HistoryTest, CopyDatedBeforeItsDuplicateMergesIntoTheOtherEntryAndIsNotLost) {
  auto existing = copyText("same");
  env.clock.advance(-3600);  // the system clock was set back
  auto item = store->insertItem(text("same"));
  history.add(item);
  EXPECT_EQ(existing->numberOfCopies(), 2);
  EXPECT_EQ(history.all(), (Items{existing}));
}

TEST_F(HistoryTest, CopiesLargerThanTheLimitAreLeftOutAndReportedUnlessTheyRepeatAnEntry) {
  constexpr std::size_t kMiB = 1024 * 1024;
  // copies: the count of the entry holding the copy's contents afterwards, 0 when it is left out.
  struct Row { std::int64_t limitMiB; std::vector<NewContent> contents; std::int64_t copies; const char* why; };
  const std::vector<Row> rows{
      {1, text(std::string(kMiB, 'a')), 1, "exactly the limit"},
      {1, text(std::string(kMiB + 1, 'b')), 0, "one byte over"},
      {1, {{"text/plain", std::string(600 * 1024, 'c')}, {"text/html", std::string(600 * 1024, 'c')}}, 0,
       "the contents together are over"},
      {0, text(std::string(2 * kMiB, 'e')), 1, "0 sets no limit"},
      {1, text(std::string(2 * kMiB, 'e')), 2, "a copy over the limit that repeats an entry merges into it"},
  };
  std::size_t reported = 0;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.why);
    env.configuration.setMaxItemSize(row.limitMiB);
    copy(row.contents);
    // A copy kept, or the entry it merged into, is the newest; a copy left out differs from the entry before it.
    const HistoryItemPtr newest = history.all().front();
    const bool holds = newest->contents()[0]->value() == row.contents[0].value;
    EXPECT_EQ(holds ? newest->numberOfCopies() : 0, row.copies);
    if (row.copies == 0) ++reported;
    EXPECT_EQ(lineCount(env.errors.str()), reported) << env.errors.str();
  }
  EXPECT_EQ(store->count(), 2u);
  EXPECT_FALSE(store->hasChanges());
  EXPECT_NE(env.errors.str().find("maxItemSize"), std::string::npos) << "names the setting";
}

// A copy that cannot be stored never costs an entry that is stored, here the oldest of a full history
// trimmed to make room for it. A value over the length limit is left out at once; a copy that finds
// no room waits, shown in the history, and is stored at a later save once there is room, or is
// left out when the store closes first. Neither holds back the changes after it. (The limited
// space fails a save as a full disk does: SQLite reports both as a full database.)
TEST(HistoryOnDiskTest, CopyThatCannotBeStoredNeverCostsAStoredEntryNorHoldsBackTheChangesAfterIt) {
  const std::string large(260 * 1024, 'L');
  auto named = [&large](const Items& items) {
    Texts names = textsOf(items);
    std::replace(names.begin(), names.end(), large, std::string("large"));
    return names;
  };
  // Pages of 4 kB: 50 pages leave about 200 kB for the copy of 260 kB.
  struct Row {
    std::int64_t pages;
    int valueBytes;
    bool roomBeforeClosing;
    Texts withTheCopy, afterTheNext, reopened;
    std::size_t leftOut;
    const char* why;
  };
  const std::vector<Row> rows{
      {1000000, 100 * 1024, false, {"keep 3", "keep 2", "keep 1"}, {"after", "keep 3", "keep 2"},
       {"after", "keep 3", "keep 2"}, 1, "a value over the length limit"},
      {50, 1000000000, false, {"large", "keep 3", "keep 2"}, {"after", "large", "keep 3"},
       {"after", "keep 3", "keep 1"}, 1, "no room, and still none when the store closes"},
      {50, 1000000000, true, {"large", "keep 3", "keep 2"}, {"after", "large", "keep 3"},
       {"after", "large", "keep 3"}, 0, "no room, then room before the store closes"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.why);
    testing::StoreEnvironment env;
    testing::TempDir dir;
    const auto file = dir / "MarbrelStorage.sqlite";
    env.configuration.setHistorySize(3);
    {
      auto store = env.openFile(file);
      History history(*store, env.configuration);
      auto add = [&](const std::string& value) {
        env.clock.advance(1);
        history.add(store->insertItem(text(value)));
      };
      // What observers hear keeps a list of the live entries in step with the store's.
      std::multiset<std::string> heard;
      store->addChangeObserver([&heard, &named](HistoryItem& item, HistoryChange change) {
        const std::string value = named({item.shared_from_this()})[0];
        if (change == HistoryChange::inserted) heard.insert(value);
        if (const auto it = heard.find(value); change == HistoryChange::removed && it != heard.end()) heard.erase(it);
      });
      for (const char* name : {"keep 1", "keep 2", "keep 3"}) add(name);
      store->limitSpace(row.pages, row.valueBytes);
      history.all().front()->setNumberOfCopies(3);  // still pending when the large copy comes
      add(large);
      EXPECT_EQ(named(history.all()), row.withTheCopy);
      add("after");
      EXPECT_EQ(named(history.all()), row.afterTheNext);
      if (row.roomBeforeClosing) store->limitSpace(1000000, 1000000000);
      store->saveContext();  // what quitting does
      const Texts live = named(store->all());
      EXPECT_EQ(heard, std::multiset<std::string>(live.begin(), live.end()));
    }
    auto reopened = env.openFile(file);
    ASSERT_EQ(named(reopened->all()), row.reopened);
    const auto kept = std::find(row.reopened.begin(), row.reopened.end(), "keep 3") - row.reopened.begin();
    EXPECT_EQ(reopened->all()[kept]->numberOfCopies(), 3) << "the change made before the large copy is saved";
    EXPECT_EQ(env.log.str().rfind("Unresolved error ", 0), 0u) << "the failed save is reported as always";
    EXPECT_EQ(lineCount(env.errors.str()), row.leftOut) << env.errors.str();
    if (row.leftOut > 0) {
      EXPECT_NE(env.errors.str().find("260 kB"), std::string::npos) << env.errors.str();
    }
  }
}

TEST(HistoryOnDiskTest, CopiesMergeIntoEntriesOfAnEarlierRunReadingTheirBytesOnlyToCompare) {
  testing::StoreEnvironment env;
  testing::TempDir dir;
  const auto file = dir / "MarbrelStorage.sqlite";
  const std::string image(2u * 1024 * 1024, '\x89');
  {
    auto store = env.openFile(file);
    History history(*store, env.configuration);
    history.add(store->insertItem({{"image/png", image}}));
    env.clock.advance(1);
    history.add(store->insertItem(text("text")));
  }
  auto store = env.openFile(file);
  History history(*store, env.configuration);
  env.clock.advance(10);
  history.add(store->insertItem({{"image/png", image}}));
  history.add(store->insertItem(text("text")));
  auto all = history.all();
  ASSERT_EQ(all.size(), 2u);
  EXPECT_EQ(all[0]->numberOfCopies(), 2);
  EXPECT_EQ(all[1]->numberOfCopies(), 2);
  EXPECT_FALSE(all[1]->contents()[0]->isValueLoaded());
}

}  // namespace
}  // namespace marbrel
