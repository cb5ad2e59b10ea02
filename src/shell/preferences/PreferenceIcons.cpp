#include "shell/preferences/PreferenceIcons.h"

#include <cmath>
#include <numbers>

#include <QApplication>
#include <QPainter>
#include <QPainterPath>
#include <QPalette>
#include <QPixmap>

#include "shell/menu/MenuImages.h"

namespace marbrel::preference_icons {

namespace {

constexpr int kSize = 64;

QPixmap canvas() {
  QPixmap pixmap(kSize, kSize);
  pixmap.fill(Qt::transparent);
  return pixmap;
}

QIcon themed(std::initializer_list<const char*> names, const QIcon& fallback) {
  for (const char* name : names) {
    const QIcon icon = QIcon::fromTheme(QString::fromLatin1(name));
    if (!icon.isNull() && !icon.pixmap(32).isNull()) return icon;
  }
  return fallback;
}

// A cog wheel in the palette's text colour.
QIcon drawnGear() {
  QPixmap pixmap = canvas();
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  const QColor ink = QApplication::palette().color(QPalette::WindowText);
  const QPointF centre(kSize / 2.0, kSize / 2.0);
  QPainterPath gear;
  constexpr int kTeeth = 8;
  for (int i = 0; i < kTeeth * 2; ++i) {
    const double angle = i * std::numbers::pi / kTeeth;
    const double next = (i + 1) * std::numbers::pi / kTeeth;
    const double radius = (i % 2 == 0) ? 28 : 22;
    const QPointF a = centre + QPointF(std::cos(angle) * radius, std::sin(angle) * radius);
    const QPointF b = centre + QPointF(std::cos(next) * radius, std::sin(next) * radius);
    if (i == 0) gear.moveTo(a);
    gear.lineTo(a);
    gear.lineTo(b);
  }
  gear.closeSubpath();
  gear.addEllipse(centre, 9, 9);
  gear.setFillRule(Qt::OddEvenFill);
  painter.fillPath(gear, ink);
  return QIcon(pixmap);
}

// A painter's palette with four colour wells.
QIcon drawnPalette() {
  QPixmap pixmap = canvas();
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  const QColor ink = QApplication::palette().color(QPalette::WindowText);
  painter.setPen(QPen(ink, 3));
  painter.setBrush(QColor(0xF2, 0xE6, 0xD0));
  QPainterPath board;
  board.addEllipse(QRectF(4, 10, 56, 44));
  QPainterPath thumb;
  thumb.addEllipse(QRectF(36, 34, 12, 10));
  painter.drawPath(board.subtracted(thumb));
  const QColor wells[] = {QColor(0xE0, 0x40, 0x40), QColor(0xF0, 0xB0, 0x20), QColor(0x30, 0xA0, 0x50),
                          QColor(0x30, 0x70, 0xD0)};
  const QPointF places[] = {{18, 24}, {30, 18}, {43, 22}, {17, 38}};
  painter.setPen(Qt::NoPen);
  for (int i = 0; i < 4; ++i) {
    painter.setBrush(wells[i]);
    painter.drawEllipse(places[i], 5.5, 5.5);
  }
  return QIcon(pixmap);
}

}  // namespace

QIcon general() { return themed({"preferences-system", "preferences-other", "configure"}, drawnGear()); }

QIcon appearance() {
  return themed({"preferences-desktop-theme", "preferences-desktop-appearance", "preferences-desktop-color",
                 "color-management"},
                drawnPalette());
}

QIcon program() {
  const QIcon window = QApplication::windowIcon();
  return themed({"org.marbrel.Marbrel"},
                window.isNull() || window.pixmap(32).isNull() ? ApplicationImages::applicationIcon() : window);
}

}  // namespace marbrel::preference_icons
