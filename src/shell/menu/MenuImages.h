#pragma once

#include <cstddef>
#include <list>
#include <memory>
#include <string>
#include <unordered_map>

#include <QColor>
#include <QIcon>
#include <QPixmap>
#include <QSize>

#include "core/menu/MenuImage.h"

class QPainter;
class QRect;

namespace marbrel {

class HistoryItemContent;

// The program's own images, painted rather than loaded so they stay sharp at any scale and need no
// image plug-ins: the tray icon and the pin.
class ApplicationImages {
 public:
  // "StatusBarMenuIcon": a monochrome clipboard that reads on light and dark panels (a light glyph
  // with a dark rim).
  static QIcon statusBarIcon();
  // The program's icon, in colour.
  static QIcon applicationIcon();
  // An application image by name ("StatusBarMenuIcon", "PinImage"); a null icon for unknown names.
  static QIcon named(const std::string& name);
  // Draws "PinImage" into `rect` in `color`.
  static void paintPin(QPainter& painter, const QRect& rect, const QColor& color);
};

// Draws the images of menu rows: colour swatches, the pin, and thumbnails of stored images, which
// it decodes only when a row is drawn and keeps for the rows drawn most recently.
class MenuImagePainter {
 public:
  explicit MenuImagePainter(std::size_t cacheSize = 128) : cacheSize_(cacheSize) {}

  // The size the image takes in a row, in pixels (0 x 0 for none).
  static QSize sizeOf(const MenuImage& image);
  // Draws the image with its top-left corner at `rect`'s; `foreground` colours the pin.
  void paint(QPainter& painter, const MenuImage& image, const QRect& rect, const QColor& foreground);

  std::size_t cachedCount() const { return cache_.size(); }

 private:
  QPixmap thumbnail(const ThumbnailImage& image);

  struct Entry {
    std::weak_ptr<const HistoryItemContent> content;
    QPixmap pixmap;
    std::list<const HistoryItemContent*>::iterator order;
  };
  std::size_t cacheSize_;
  std::list<const HistoryItemContent*> order_;  // most recently drawn first
  std::unordered_map<const HistoryItemContent*, Entry> cache_;
};

}  // namespace marbrel
