// The small Qt adapters: image sizes, image drawing and the single instance.
#include <atomic>
#include <memory>
#include <thread>

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "core/history/HistoryStore.h"
#include "fakes/FakeMainQueue.h"
#include "launcher/HandOver.h"
#include "shell/MenuImages.h"
#include "shell/QtImageDecoder.h"
#include "shell/SingleInstance.h"
#include "support/QtEvents.h"

namespace marbrel {
namespace {

using testing::processEventsUntil;

std::string encode(const QImage& image, const char* format) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, format);
  return bytes.toStdString();
}

// A stored image is measured by its bytes (the type is a hint), drawn, and its bytes let go once
// drawn; anything else, a cut image too, has no size.
TEST(MenuImages, StoredImagesAreMeasuredAndDrawnWithoutKeepingTheirBytesAndOtherBytesHaveNoSize) {
  QImage image(680, 400, QImage::Format_RGB32);  // noise, so that the PNG stays large
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) image.setPixel(x, y, QRandomGenerator::global()->generate() | 0xFF000000);
  }
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

TEST(SingleInstance, OneLaunchRunsAndTheOthersHandOverToItOnceItAnswers) {
  QTemporaryDir dir;
  const QString name = dir.filePath(QStringLiteral("marbrel-test"));
  const std::string path = QFile::encodeName(name).toStdString();
  using Role = SingleInstance::Role;
  // Nobody runs: the launcher's hand-over leaves the decision to the program's claim().
  EXPECT_EQ(handOver(path, 300), HandOver::notTaken);
  auto first = std::make_unique<SingleInstance>(name);
  ASSERT_EQ(first->claim(1000), Role::running);

  // A launch that asks while the first is starting is answered once its loop runs, and the reopen
  // waits for the handler. The asking side blocks, so it runs on a thread.
  std::atomic<int> early = -1;
  std::atomic<int> role = -1;
  std::thread second([&] {
    early = int(handOver(path, 20000));
    role = int(SingleInstance(name).claim(20000));
  });
  EXPECT_TRUE(processEventsUntil([&] { return role != -1; }));
  second.join();
  EXPECT_EQ(early, int(HandOver::handedOver));
  EXPECT_EQ(role, int(Role::handedOver));
  int reopened = 0;
  first->setReopenHandler([&] { ++reopened; });
  EXPECT_TRUE(processEventsUntil([&] { return reopened == 1; })) << "requests made during start-up reopen once";

  // While the first does not answer (its loop is busy), a later launch leaves without running; the
  // early one too, as asking again later would reopen twice.
  EXPECT_EQ(SingleInstance(name).claim(300), Role::unanswered);
  EXPECT_EQ(handOver(path, 300), HandOver::unanswered);

  // Once the first has ended, the next launch runs.
  first.reset();
  EXPECT_EQ(handOver(path, 300), HandOver::notTaken);
  EXPECT_EQ(SingleInstance(name).claim(1000), Role::running);
}

}  // namespace
}  // namespace marbrel
