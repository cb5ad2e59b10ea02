#pragma once

#include <optional>
#include <string>

#include <QColor>
#include <QPalette>

namespace marbrel {

// The program's own named colours. Like a colour asset, each has a variant for light palettes and
// one for dark ones; the palette's text colour picks the variant.
class ApplicationColors {
 public:
  // "MenuColor": the opaque background the menu's search header takes when the desktop asks for
  // increased contrast; it keeps the menu text at the highest contrast in either palette.
  static std::optional<QColor> named(const std::string& name, const QPalette& palette);

  // Whether `palette` draws light text on a dark background.
  static bool isDark(const QPalette& palette);
};

}  // namespace marbrel
