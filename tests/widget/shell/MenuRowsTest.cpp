// How the menu matches key equivalents, and measures and draws stored images.
#include <memory>

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

// A row is one line high unless its image preview needs more.
TEST(MenuRowsLayout, AnImageRowIsTallEnoughForItsPreview) {
  MenuModel menu("menu");
  menu.addItem(item("text"));
  const auto image = item("image");
  image->setImage(ThumbnailImage{nullptr, 100, 60});
  menu.addItem(image);
  const auto rows = MenuRows::layout(menu, 0);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].height, 24);
  EXPECT_GE(rows[1].height, 60);
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
