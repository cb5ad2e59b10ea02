// How the menu lays out its rows, matches key equivalents, and measures and draws stored images.
#include <algorithm>
#include <array>
#include <memory>
#include <random>

#include <QBuffer>
#include <QImage>
#include <QPainter>
#include <QRandomGenerator>

#include <gtest/gtest.h>

#include "core/history/HistoryStore.h"
#include "core/menu/MenuModel.h"
#include "fakes/FakeMainQueue.h"
#include "shell/menu/MenuImages.h"
#include "shell/menu/MenuRows.h"
#include "shell/qt/QtImageDecoder.h"

namespace marbrel {
namespace {

using modifier_flags::kCommand;
using modifier_flags::kOption;
using modifier_flags::kShift;
using Parts = std::array<std::vector<MenuItemPtr>, 3>;  // the items before the run, the run's pairs, the items after

// An alternate is hidden, as the menus make them.
MenuItemPtr item(const std::string& title, const std::string& key = "", std::uint64_t mask = kCommand,
                 bool alternate = false) {
  auto result = std::make_shared<MenuItem>(title);
  result->setKeyEquivalent(key);
  result->setKeyEquivalentModifierMask(mask);
  result->setAlternate(alternate);
  result->setHidden(alternate);
  return result;
}

// A menu that shows its pairs as a run, as the history menu does.
class PairedMenu : public MenuModel {
 public:
  explicit PairedMenu(const Parts& parts) : items_(parts[1]) {
    for (const auto& each : parts[0]) addItem(each);
    for (const auto& each : parts[2]) addItem(each);
    placePairRun(parts[0].size());
    for (std::size_t pair = 0; 2 * pair < items_.size(); ++pair) {
      const auto* thumbnail = std::get_if<ThumbnailImage>(&items_[2 * pair]->image());
      if (thumbnail) images_.push_back({pair, thumbnail->height});
      if (!items_[2 * pair]->keyEquivalent().empty()) keyed_.push_back(pair);
    }
    pairsChanged();
  }
  const std::vector<PairImage>& pairImages() const override { return images_; }
  std::vector<std::size_t> pairsWithKeyEquivalents() const override { return keyed_; }

 protected:
  std::size_t pairCount() const override { return items_.size() / 2; }
  std::uint64_t pairAlternateMask() const override { return kOption; }
  const MenuItemPtr& pairItem(std::size_t index) const override {
    adoptPairItem(*items_[index]);
    return items_[index];
  }
  std::optional<std::size_t> pairItemIndex(const MenuItem& item) const override {
    const auto found = std::find_if(items_.begin(), items_.end(), [&](const auto& i) { return i.get() == &item; });
    return found == items_.end() ? std::nullopt : std::optional(std::size_t(found - items_.begin()));
  }

 private:
  std::vector<MenuItemPtr> items_;
  std::vector<PairImage> images_;
  std::vector<std::size_t> keyed_;
};

std::string title(const MenuItemPtr& item) { return item ? item->title() : ""; }
auto describe(const MenuRow& r) { return std::tuple(r.kind, r.shown->title(), r.primary->title(), r.top, r.height); }

TEST(MenuRowsOfARun, ARunOfPairsLaysOutAsTheSameItemsHeldOneByOne) {
  std::mt19937 rng(4);
  for (int round = 0; round < 20; ++round) {
    SCOPED_TRACE(round);
    // Made twice from one seed: both menus hold the same titles, keys, flags and images.
    const auto make = [seed = rng()] {
      std::mt19937 random(seed);
      std::vector<MenuItemPtr> run;
      for (int p = 0, count = 1 + int(random() % 60); p < count; ++p) {
        const std::string key = p < 9 ? std::to_string(p + 1) : "";
        run.push_back(item("paste " + std::to_string(p), key));
        run.push_back(item("copy " + std::to_string(p), key, kOption, true));
        const ThumbnailImage tall{nullptr, 100, double(random() % 80)};
        if (random() % 5 == 0) for (const auto& member : {run.end()[-2], run.back()}) member->setImage(tall);
      }
      return Parts{{{item("header")}, run,
                    {MenuItem::makeSeparator(), item("Clear", "\u232B", kCommand | kOption),
                     item("Clear All", "\u232B", kCommand | kOption | kShift, true), item("Quit", "q")}}};
    };
    MenuModel plain("plain");
    for (const auto& part : make()) for (const auto& each : part) plain.addItem(each);
    const PairedMenu paired(make());
    ASSERT_EQ(paired.size(), plain.size());
    for (const std::uint64_t held : {std::uint64_t{0}, kOption, kCommand | kOption, kCommand | kOption | kShift}) {
      SCOPED_TRACE(held);
      const auto expected = MenuRows::layout(plain, held);
      const auto rows = MenuRows::layout(paired, held);
      ASSERT_EQ(rows.size(), expected.size());
      ASSERT_EQ(MenuRows::totalHeight(rows), MenuRows::totalHeight(expected));
      // An alternate stands in for its primary while exactly its modifiers are held.
      std::size_t alternatesShown = 0;
      for (std::size_t r = 0; r < rows.size(); ++r) {
        const MenuRow want = expected[r];
        EXPECT_EQ(describe(rows[r]), describe(want));
        alternatesShown += want.shown != want.primary ? 1 : 0;
        // A row is one line high unless its image preview needs more.
        const auto* thumbnail = std::get_if<ThumbnailImage>(&want.shown->image());
        const bool oneLine = want.height == 24;
        EXPECT_TRUE(want.kind != MenuRow::Kind::item || (thumbnail ? want.height >= thumbnail->height : oneLine));
      }
      EXPECT_EQ(alternatesShown,
                held == kOption ? (paired.size() - 5) / 2 : held == (kCommand | kOption | kShift) ? 1 : 0);
      for (int y = -1; y <= MenuRows::totalHeight(rows); y += 7) {
        EXPECT_EQ(MenuRows::rowAt(rows, y), MenuRows::rowAt(expected, y));
      }
      for (std::size_t index = 0; index < plain.size(); ++index) {
        const MenuItem* got = paired.itemAt(index).get();
        const MenuItem* want = plain.itemAt(index).get();
        EXPECT_EQ(MenuRows::rowOf(rows, got), MenuRows::rowOf(expected, want));
        EXPECT_EQ(title(MenuRows::highlightFor(rows, got)), title(MenuRows::highlightFor(expected, want)));
      }
      for (const std::string key : {"1", "5", "9", "q", "\u232B", "x"}) {
        EXPECT_EQ(title(MenuRows::itemForKeyEquivalent(paired, key, held)),
                  title(MenuRows::itemForKeyEquivalent(plain, key, held))) << key;
      }
    }
  }
}

// Letters in either case; hidden alternates answer their keys, other hidden or disabled items do not.
TEST(MenuRowsKeyEquivalents, MatchTheCharacterAndExactlyTheModifiers) {
  auto hidden = item("Quit", "q"), disabled = item("off", "3");
  hidden->setHidden(true);
  disabled->setEnabled(false);
  const std::tuple<MenuItemPtr, std::string, std::uint64_t, bool> rows[] = {
      {item("row", "1"), "1", kCommand | kShift, false}, {item("row", "1"), "1", 0, false},
      {item("pinned", "K"), "k", kCommand, true},        {item("copy", "1", kOption, true), "1", kOption, true},
      {hidden, "q", kCommand, false},                    {disabled, "3", kCommand, false},
  };
  for (const auto& [row, characters, held, matches] : rows) {
    EXPECT_EQ(MenuRows::matchesKeyEquivalent(*row, characters, held), matches) << row->title() << " " << held;
  }
}

// The bytes of `image` in `format`, as an image a program copies is stored.
std::string encode(const QImage& image, const char* format) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, format);
  return bytes.toStdString();
}

// The bytes decide the size, the type is a hint; a cut image or other bytes have none.
TEST(MenuImages, StoredImagesAreMeasuredAndDrawnWithoutKeepingTheirBytesAndOtherBytesHaveNoSize) {
  QImage image(680, 400, QImage::Format_RGB32);  // noise, so that the PNG stays large
  QRandomGenerator::global()->fillRange(reinterpret_cast<quint32*>(image.bits()), image.sizeInBytes() / 4);
  const std::string png = encode(image, "PNG");
  ASSERT_GT(png.size(), 300u * 1024);
  QtImageDecoder decoder;
  const auto size = decoder.imageSize(png, "image/png");
  ASSERT_TRUE(size.has_value());
  EXPECT_EQ(std::make_pair(size->width, size->height), std::make_pair(680.0, 400.0));
  EXPECT_TRUE(decoder.imageSize(encode(image, "JPEG"), "image/png"));
  for (const std::string& bad : {std::string("not an image at all"), std::string(), png.substr(0, 20)}) {
    EXPECT_FALSE(decoder.imageSize(bad, "image/png")) << bad.size() << " bytes";
  }

  FakeMainQueue clock;
  const auto store = HistoryStore::open({}, clock, true);
  const auto entry = store->insertItem({{std::string("image/png"), png}});
  store->saveContext();
  const std::shared_ptr<const HistoryItemContent> content = entry->contents()[0];
  ASSERT_FALSE(content->isValueLoaded());
  QImage canvas(100, 100, QImage::Format_RGB32);
  canvas.fill(Qt::white);
  QPainter painter(&canvas);
  MenuImagePainter().paint(painter, ThumbnailImage{content, 40, 40}, QRect(0, 0, 40, 40), Qt::black);
  painter.end();
  EXPECT_NE(canvas.pixel(20, 20), QColor(Qt::white).rgb()) << "the thumbnail is drawn";
  EXPECT_FALSE(content->isValueLoaded()) << "the image's bytes are let go once it is drawn";
}

}  // namespace
}  // namespace marbrel
