// Stored images as the menu measures and draws them.
#include <memory>

#include <QBuffer>
#include <QImage>
#include <QPainter>
#include <QRandomGenerator>

#include <gtest/gtest.h>

#include "core/history/HistoryStore.h"
#include "fakes/FakeMainQueue.h"
#include "shell/menu/MenuImages.h"
#include "shell/qt/QtImageDecoder.h"

namespace marbrel {
namespace {

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
