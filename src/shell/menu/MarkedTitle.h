#pragma once

#include <string>

#include <QFont>
#include <QFontMetricsF>
#include <QRect>

#include "core/menu/TitleMarks.h"

class QPainter;

namespace marbrel {

// Draws menu rows' titles with the stretches the search matched in bold: a title is drawn run by
// run, each run in its weight (a text layout with formats costs several times as much per row).
// Keeps the fonts and their metrics for the font it was last given.
class MarkedTitle {
 public:
  // The width of `title` (UTF-8) drawn with `font` and its `marks` (byte ranges) bold, where the
  // title is `plainWidth` wide with no marks.
  int width(const QFont& font, const std::string& title, const TitleMarks& marks, int plainWidth);
  // Draws it at the left of `box`, centred vertically, with the painter's pen, and answers its
  // whole width. A title wider than the box is cut short with "…", drawn bold when a mark lies in
  // what it hides.
  int draw(QPainter& painter, const QRect& box, const QFont& font, const std::string& title, const TitleMarks& marks,
           int plainWidth);

 private:
  void use(const QFont& font);

  QFont font_;
  QFont bold_;
  QFontMetricsF regularMetrics_{QFont()};
  QFontMetricsF boldMetrics_{QFont()};
  bool ready_ = false;
};

}  // namespace marbrel
