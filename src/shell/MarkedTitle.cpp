#include "shell/MarkedTitle.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include <QFontMetrics>
#include <QList>
#include <QPainter>
#include <QString>
#include <QTextCharFormat>
#include <QTextLayout>

namespace marbrel {

namespace {

// The marks as bold format ranges of the title's UTF-16 text.
QList<QTextLayout::FormatRange> boldRanges(const std::string& title, const TitleMarks& marks) {
  QTextCharFormat bold;
  bold.setFontWeight(QFont::Bold);
  QList<QTextLayout::FormatRange> ranges;
  // UTF-16 offsets from byte offsets, counted as the marks go (they are ascending).
  qsizetype units = 0;
  std::size_t counted = 0;
  const auto unitsAt = [&](std::size_t byte) {
    byte = std::min(byte, title.size());
    if (byte > counted) {
      units += QString::fromUtf8(title.data() + counted, qsizetype(byte - counted)).size();
      counted = byte;
    }
    return units;
  };
  for (const TitleMark& mark : marks) {
    const auto begin = int(unitsAt(mark.begin));
    const auto end = int(unitsAt(mark.end));
    if (end > begin) ranges.push_back({begin, end - begin, bold});
  }
  return ranges;
}

// Lays `layout` out on one line as wide as it needs.
QTextLine layOut(QTextLayout& layout) {
  layout.beginLayout();
  QTextLine line = layout.createLine();
  if (line.isValid()) line.setLineWidth(1e6);
  layout.endLayout();
  return line;
}

}  // namespace

int MarkedTitle::width(const QFont& font, const std::string& title, const TitleMarks& marks) {
  QTextLayout layout(QString::fromStdString(title), font);
  layout.setFormats(boldRanges(title, marks));
  const QTextLine line = layOut(layout);
  return line.isValid() ? int(std::ceil(line.naturalTextWidth())) : 0;
}

int MarkedTitle::draw(QPainter& painter, const QRect& box, const QFont& font, const std::string& title,
                       const TitleMarks& marks) {
  QString text = QString::fromStdString(title);
  QList<QTextLayout::FormatRange> ranges = boldRanges(title, marks);
  auto layout = std::make_unique<QTextLayout>(text, font);
  layout->setFormats(ranges);
  QTextLine line = layOut(*layout);
  if (!line.isValid()) return 0;
  const int whole = int(std::ceil(line.naturalTextWidth()));
  if (whole > box.width()) {
    // Cut at the last character boundary that leaves room for the ellipsis, bold when it hides a mark.
    const QString ellipsis = QStringLiteral("\u2026");
    QFont boldFont = font;
    boldFont.setWeight(QFont::Bold);
    const int room = box.width() - QFontMetrics(boldFont).horizontalAdvance(ellipsis);
    int cut = line.xToCursor(std::max(0, room), QTextLine::CursorBetweenCharacters);
    while (cut > 0 && line.cursorToX(cut) > room) cut = layout->previousCursorPosition(cut);
    bool hidesMark = false;
    QList<QTextLayout::FormatRange> kept;
    for (QTextLayout::FormatRange range : ranges) {
      if (range.start + range.length > cut) hidesMark = true;
      range.length = std::min(range.length, cut - range.start);
      if (range.length > 0) kept.push_back(range);
    }
    if (hidesMark) kept.push_back({cut, int(ellipsis.size()), ranges.front().format});
    text = text.left(cut) + ellipsis;
    layout = std::make_unique<QTextLayout>(text, font);
    layout->setFormats(kept);
    line = layOut(*layout);
    if (!line.isValid()) return whole;
  }
  const qreal top = box.top() + (box.height() - line.height()) / 2;
  painter.save();
  painter.setClipRect(box, Qt::IntersectClip);
  layout->draw(&painter, QPointF(box.left(), top));
  painter.restore();
  return whole;
}

}  // namespace marbrel
