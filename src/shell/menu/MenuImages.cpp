#include "shell/menu/MenuImages.h"

#include <cmath>

#include <QBuffer>
#include <QImageReader>
#include <QPainter>
#include <QPainterPath>
#include <QRect>

#include "core/history/HistoryItemContent.h"

namespace marbrel {

namespace {

// The clipboard glyph on a 16 x 16 grid.
QPainterPath clipboardPath() {
  QPainterPath board;
  board.addRoundedRect(QRectF(2.5, 3.5, 11, 11.5), 1.5, 1.5);
  QPainterPath clip;
  clip.addRoundedRect(QRectF(5, 1.5, 6, 3.5), 1, 1);
  return board.united(clip);
}

QPixmap paintStatusIcon(int size) {
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.scale(size / 16.0, size / 16.0);
  const QPainterPath path = clipboardPath();
  // A dark rim keeps the light glyph visible on light panels.
  painter.setPen(QPen(QColor(20, 20, 20, 200), 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  painter.setBrush(Qt::NoBrush);
  painter.drawPath(path);
  painter.setPen(QPen(QColor(236, 236, 236), 1.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  painter.drawPath(path);
  for (const auto& [y, right] : {std::pair{7.5, 11.0}, std::pair{10.0, 11.0}, std::pair{12.5, 9.0}}) {
    painter.setPen(QPen(QColor(20, 20, 20, 200), 2.4, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(5, y), QPointF(right, y));
    painter.setPen(QPen(QColor(236, 236, 236), 1.2, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(5, y), QPointF(right, y));
  }
  return pixmap;
}

QPixmap paintApplicationIcon(int size) {
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.scale(size / 128.0, size / 128.0);
  painter.setPen(Qt::NoPen);
  painter.setBrush(QColor(0x3d, 0x4a, 0x5c));
  painter.drawRoundedRect(QRectF(20, 16, 88, 104), 12, 12);
  painter.setBrush(QColor(0xf4, 0xf1, 0xea));
  painter.drawRoundedRect(QRectF(30, 28, 68, 82), 6, 6);
  painter.setBrush(QColor(0xc9, 0xa2, 0x27));
  painter.drawRoundedRect(QRectF(44, 8, 40, 22), 7, 7);
  painter.setBrush(QColor(0x5b, 0x6f, 0x8a));
  painter.drawRoundedRect(QRectF(40, 44, 48, 8), 4, 4);
  painter.setBrush(QColor(0x8f, 0xa0, 0xb7));
  painter.drawRoundedRect(QRectF(40, 62, 38, 8), 4, 4);
  painter.drawRoundedRect(QRectF(40, 80, 44, 8), 4, 4);
  return pixmap;
}

}  // namespace

QIcon ApplicationImages::statusBarIcon() {
  QIcon icon;
  for (int size : {16, 22, 24, 32, 48, 64}) icon.addPixmap(paintStatusIcon(size));
  return icon;
}

QIcon ApplicationImages::applicationIcon() {
  QIcon icon;
  for (int size : {16, 32, 48, 64, 128, 256}) icon.addPixmap(paintApplicationIcon(size));
  return icon;
}

QIcon ApplicationImages::named(const std::string& name) {
  if (name == "StatusBarMenuIcon") return statusBarIcon();
  if (name == kPinImageName) {
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    paintPin(painter, QRect(0, 0, 32, 32), QColor(60, 60, 60));
    painter.end();
    return QIcon(pixmap);
  }
  return {};
}

void ApplicationImages::paintPin(QPainter& painter, const QRect& rect, const QColor& color) {
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing);
  painter.translate(rect.topLeft());
  painter.scale(rect.width() / 16.0, rect.height() / 16.0);
  // A push pin leaning right: round head, collar, needle.
  painter.translate(8, 8);
  painter.rotate(35);
  painter.translate(-8, -8);
  painter.setPen(Qt::NoPen);
  painter.setBrush(color);
  painter.drawEllipse(QRectF(5, 1, 6, 5));
  painter.drawRect(QRectF(6.5, 5, 3, 4));
  painter.drawRoundedRect(QRectF(4, 8.5, 8, 1.8), 0.9, 0.9);
  painter.setPen(QPen(color, 1.1, Qt::SolidLine, Qt::RoundCap));
  painter.drawLine(QPointF(8, 10), QPointF(8, 15));
  painter.restore();
}

QSize MenuImagePainter::sizeOf(const MenuImage& image) {
  if (const auto* thumbnail = std::get_if<ThumbnailImage>(&image)) {
    return {int(std::lround(thumbnail->width)), int(std::lround(thumbnail->height))};
  }
  if (const auto* swatch = std::get_if<SwatchImage>(&image)) {
    return {int(std::lround(swatch->width)), int(std::lround(swatch->height))};
  }
  if (std::holds_alternative<NamedImage>(image)) return {16, 16};
  return {0, 0};
}

void MenuImagePainter::paint(QPainter& painter, const MenuImage& image, const QRect& rect,
                             const QColor& foreground) {
  if (const auto* swatch = std::get_if<SwatchImage>(&image)) {
    const QColor color = QColor::fromRgbF(float(swatch->color.red), float(swatch->color.green),
                                          float(swatch->color.blue), float(swatch->color.alpha));
    const QRect box(rect.topLeft(), sizeOf(image));
    // A checkerboard under translucent colours, as colour wells show them.
    if (color.alphaF() < 1) {
      painter.fillRect(box, Qt::white);
      const int half = std::max(1, box.width() / 2);
      painter.fillRect(QRect(box.left(), box.top(), half, box.height() / 2), Qt::lightGray);
      painter.fillRect(QRect(box.left() + half, box.top() + box.height() / 2, box.width() - half,
                             box.height() - box.height() / 2), Qt::lightGray);
    }
    painter.fillRect(box, color);
    painter.setPen(QColor(0, 0, 0, 90));
    painter.drawRect(box.adjusted(0, 0, -1, -1));
    return;
  }
  if (const auto* named = std::get_if<NamedImage>(&image)) {
    if (named->name == kPinImageName) {
      ApplicationImages::paintPin(painter, QRect(rect.topLeft(), QSize(16, 16)), foreground);
    } else {
      ApplicationImages::named(named->name).paint(&painter, QRect(rect.topLeft(), QSize(16, 16)));
    }
    return;
  }
  if (const auto* thumbnailImage = std::get_if<ThumbnailImage>(&image)) {
    const QPixmap pixmap = thumbnail(*thumbnailImage);
    if (!pixmap.isNull()) painter.drawPixmap(QRect(rect.topLeft(), sizeOf(image)), pixmap);
  }
}

QPixmap MenuImagePainter::thumbnail(const ThumbnailImage& image) {
  const HistoryItemContent* key = image.content.get();
  if (!key) return {};
  const QSize size = sizeOf(image);
  auto it = cache_.find(key);
  if (it != cache_.end()) {
    if (!it->second.content.expired() && it->second.pixmap.size() == size) {
      order_.splice(order_.begin(), order_, it->second.order);
      return it->second.pixmap;
    }
    order_.erase(it->second.order);
    cache_.erase(it);
  }
  QPixmap pixmap;
  // Bytes read from the store only to draw the thumbnail are let go afterwards: the small pixmap
  // is what is kept, never a large image.
  const bool wasLoaded = image.content->isValueLoaded();
  const std::optional<std::string>& bytes = image.content->value();
  if (bytes && !bytes->empty() && size.width() > 0 && size.height() > 0) {
    QByteArray data = QByteArray::fromRawData(bytes->data(), qsizetype(bytes->size()));
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    // Decoding straight to the row's size keeps large images from being decoded in full where the
    // format allows it.
    reader.setScaledSize(size);
    const QImage decoded = reader.read();
    if (!decoded.isNull()) pixmap = QPixmap::fromImage(decoded);
  }
  if (!wasLoaded) image.content->releaseValue();
  order_.push_front(key);
  cache_.emplace(key, Entry{image.content, pixmap, order_.begin()});
  while (cache_.size() > cacheSize_) {
    cache_.erase(order_.back());
    order_.pop_back();
  }
  return pixmap;
}

}  // namespace marbrel
