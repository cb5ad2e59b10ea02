#include "shell/menu/MarkedTitle.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include <QPainter>
#include <QString>

namespace marbrel {

namespace {

// Bold letters are wider, but not by this much: a title this much narrower than its room fits.
constexpr double kBoldWidening = 1.3;

// A run of the title drawn in one weight.
struct Run {
  QString text;
  bool bold = false;
};

// The title cut into runs at the marks' edges (byte offsets into UTF-8, ascending).
std::vector<Run> runsOf(const std::string& title, const TitleMarks& marks) {
  std::vector<Run> runs;
  std::size_t at = 0;
  const auto add = [&](std::size_t end, bool bold) {
    end = std::min(end, title.size());
    if (end > at) runs.push_back({QString::fromUtf8(title.data() + at, qsizetype(end - at)), bold});
    at = std::max(at, end);
  };
  for (const TitleMark& mark : marks) {
    add(mark.begin, false);
    add(mark.end, true);
  }
  add(title.size(), false);
  return runs;
}

}  // namespace

void MarkedTitle::use(const QFont& font) {
  if (ready_ && font == font_) return;
  font_ = font;
  bold_ = font;
  bold_.setWeight(QFont::Bold);
  regularMetrics_ = QFontMetricsF(font_);
  boldMetrics_ = QFontMetricsF(bold_);
  ready_ = true;
}

int MarkedTitle::width(const QFont& font, const std::string& title, const TitleMarks& marks, int plainWidth) {
  use(font);
  qreal width = plainWidth;
  for (const Run& run : runsOf(title, marks)) {
    if (run.bold) width += boldMetrics_.horizontalAdvance(run.text) - regularMetrics_.horizontalAdvance(run.text);
  }
  return int(std::ceil(width));
}

int MarkedTitle::draw(QPainter& painter, const QRect& box, const QFont& font, const std::string& title,
                      const TitleMarks& marks, int plainWidth) {
  use(font);
  std::vector<Run> runs = runsOf(title, marks);
  qreal whole = -1;  // not measured
  if (plainWidth * kBoldWidening > box.width()) {
    std::vector<qreal> widths;
    whole = 0;
    for (const Run& run : runs) {
      widths.push_back((run.bold ? boldMetrics_ : regularMetrics_).horizontalAdvance(run.text));
      whole += widths.back();
    }
    if (whole > box.width()) {
      // Cut in the run that does not fit, leaving room for a "…" that is bold when it hides a mark.
      const QString ellipsis = QStringLiteral("\u2026");
      const qreal room = box.width() - boldMetrics_.horizontalAdvance(ellipsis);
      qreal used = 0;
      std::size_t over = 0;
      while (over < runs.size() && used + widths[over] <= room) used += widths[over++];
      bool hidesMark = false;
      for (std::size_t i = over; i < runs.size(); ++i) hidesMark = hidesMark || runs[i].bold;
      if (over < runs.size()) {
        // elidedText cuts between characters; its own "…" gives way to the one drawn here.
        const QFontMetricsF& metrics = runs[over].bold ? boldMetrics_ : regularMetrics_;
        QString kept = metrics.elidedText(runs[over].text, Qt::ElideRight,
                                          room - used + metrics.horizontalAdvance(ellipsis));
        if (kept.endsWith(ellipsis)) kept.chop(ellipsis.size());
        runs[over].text = kept;
        runs.resize(over + 1);
      }
      runs.push_back({ellipsis, hidesMark});
    }
  }
  painter.save();
  painter.setClipRect(box, Qt::IntersectClip);
  qreal x = box.left();
  for (const Run& run : runs) {
    if (run.text.isEmpty()) continue;
    painter.setFont(run.bold ? bold_ : font_);
    QRectF drawn;
    painter.drawText(QRectF(x, box.top(), std::max<qreal>(0, box.right() + 1 - x), box.height()),
                     Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, run.text, &drawn);
    x += drawn.width();
  }
  painter.restore();
  return int(std::ceil(whole >= 0 ? whole : x - box.left()));
}

}  // namespace marbrel
