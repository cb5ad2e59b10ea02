// Painting the menu pop-up: the rows in view with their state, image, title (the search's matches
// in bold) and key equivalent, the highlight, and the frame.
#include "shell/menu/MenuPopup.h"

#include <algorithm>

#include <QPaintEvent>
#include <QPainter>

#include "shell/menu/KeyEventTranslation.h"
#include "shell/menu/MenuPopupMetrics.h"
#include "shell/qt/PaintTrace.h"

namespace marbrel {

using namespace popup_metrics;

void MenuPopup::paintEvent(QPaintEvent* event) {
  QPainter painter(this);
  const QPalette& pal = palette();
  painter.fillRect(rect(), pal.color(QPalette::Window));
  painter.setPen(pal.color(QPalette::Mid));
  painter.drawRect(rect().adjusted(0, 0, -1, -1));
  if (!menu_) return;
  painter.setClipRect(QRect(kFrame, kFrame, width() - 2 * kFrame, viewportHeight()));

  const QFontMetrics metrics(font());
  const int contentWidth = width() - 2 * kFrame;
  const MenuItem* highlighted = menu_->highlightedItem().get();
  // Only the rows in view are drawn, so long menus cost no more than short ones, and of those only
  // the ones the paint asks for: typing into the search field repaints the field's strip alone.
  const QRect dirty = event->rect();
  const int first = std::max(0, MenuRows::rowAt(rows_, scroll_));
  for (int i = first; i < int(rows_.size()); ++i) {
    const MenuRow row = rows_[std::size_t(i)];
    const int top = kFrame + row.top - scroll_;
    if (top > dirty.bottom()) break;  // the dirty rectangle lies within the pop-up
    const QRect box(kFrame, top, contentWidth, row.height);
    if (!box.intersects(dirty)) continue;
    if (row.kind == MenuRow::Kind::separator) {
      painter.setPen(pal.color(QPalette::Midlight));
      painter.drawLine(box.left() + 8, box.center().y(), box.right() - 8, box.center().y());
      continue;
    }
    if (row.kind == MenuRow::Kind::header) continue;  // the header view draws itself
    const MenuItem& item = *row.shown;
    // The parts of the title the search matched are drawn bold; only drawn rows are asked.
    const TitleMarks marks = menu_->titleMarks(item);
    const int plainWidth = titleWidths_.width(font(), item.title());
    if (marks.empty()) widenFor(rowWidthWithTitle(item, plainWidth));
    const bool isHighlighted = &item == highlighted && item.isEnabled();
    QColor text = pal.color(item.isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText);
    if (isHighlighted) {
      painter.fillRect(box, pal.color(QPalette::Highlight));
      text = pal.color(QPalette::HighlightedText);
    }
    painter.setPen(text);
    if (item.state() == MenuItem::State::on) {
      const MenuImage& mark = item.onStateImage();
      if (std::holds_alternative<NoImage>(mark)) {
        painter.drawText(QRect(box.left(), box.top(), kStateColumn, box.height()), Qt::AlignCenter,
                         QStringLiteral("\u2713"));
      } else {
        images_.paint(painter, mark, QRect(box.left() + 4, box.center().y() - 7, 16, 16), text);
      }
    }
    int x = box.left() + kStateColumn;
    const QSize imageSize = MenuImagePainter::sizeOf(item.image());
    if (imageSize.width() > 0) {
      images_.paint(painter, item.image(), QRect(QPoint(x, box.center().y() - imageSize.height() / 2), imageSize),
                    text);
      x += imageSize.width() + kImageGap;
    }
    int right = box.right() - kRightMargin;
    if (!item.keyEquivalent().empty()) {
      const QString key = KeyEventTranslation::keyEquivalentText(item.keyEquivalent(), item.keyEquivalentModifierMask());
      QColor keyColor = text;
      if (!isHighlighted) keyColor.setAlphaF(0.6f);
      painter.setPen(keyColor);
      painter.drawText(QRect(x, box.top(), right - x, box.height()), Qt::AlignRight | Qt::AlignVCenter, key);
      right -= metrics.horizontalAdvance(key) + kKeyGap;
      painter.setPen(text);
    }
    const QRect titleBox(x, box.top(), std::max(0, right - x), box.height());
    if (!marks.empty()) {
      widenFor(rowWidthWithTitle(item, markedTitle_.draw(painter, titleBox, font(), item.title(), marks, plainWidth)));
      continue;
    }
    const QString title = metrics.elidedText(QString::fromStdString(item.title()), Qt::ElideRight, titleBox.width());
    painter.drawText(titleBox, Qt::AlignLeft | Qt::AlignVCenter, title);
  }
  painter.setClipping(false);
  // Arrows tell that more rows lie above or below.
  const int total = MenuRows::totalHeight(rows_);
  painter.setPen(pal.color(QPalette::WindowText));
  if (scroll_ > 0) {
    painter.fillRect(QRect(kFrame, kFrame, contentWidth, 12), pal.color(QPalette::Window));
    painter.drawText(QRect(kFrame, kFrame, contentWidth, 12), Qt::AlignCenter, QStringLiteral("\u25B4"));
  }
  if (scroll_ + viewportHeight() < total) {
    const QRect strip(kFrame, height() - kFrame - 12, contentWidth, 12);
    painter.fillRect(strip, pal.color(QPalette::Window));
    painter.drawText(strip, Qt::AlignCenter, QStringLiteral("\u25BE"));
  }
  if (PaintTrace::enabled()) PaintTrace::note("menu", static_cast<long long>(rows_.size()));
}

}  // namespace marbrel
