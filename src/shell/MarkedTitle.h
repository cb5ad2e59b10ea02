#pragma once

#include <string>

#include <QFont>
#include <QRect>

#include "core/menu/TitleMarks.h"

class QPainter;

namespace marbrel {

// Draws a menu row's title with the stretches the search matched in bold, laid out as one text so
// that shaping runs across the bold parts.
class MarkedTitle {
 public:
  // The width of `title` (UTF-8) drawn with `font` and its `marks` (byte ranges) bold.
  static int width(const QFont& font, const std::string& title, const TitleMarks& marks);
  // Draws it at the left of `box`, centred vertically, with the painter's pen, and answers its
  // whole width. A title wider than the box is cut short with "…", drawn bold when a mark lies in
  // what it hides.
  static int draw(QPainter& painter, const QRect& box, const QFont& font, const std::string& title,
                   const TitleMarks& marks);
};

}  // namespace marbrel
