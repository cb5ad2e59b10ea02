#include "shell/qt/ApplicationColors.h"

namespace marbrel {

namespace {

struct NamedColor {
  const char* name;
  QRgb light;  // under dark text
  QRgb dark;   // under light text
};

constexpr NamedColor kColors[] = {
    {"MenuColor", qRgb(0xff, 0xff, 0xff), qRgb(0x00, 0x00, 0x00)},
};

}  // namespace

std::optional<QColor> ApplicationColors::named(const std::string& name, const QPalette& palette) {
  for (const NamedColor& color : kColors) {
    if (name == color.name) return QColor(isDark(palette) ? color.dark : color.light);
  }
  return std::nullopt;
}

bool ApplicationColors::isDark(const QPalette& palette) {
  return palette.color(QPalette::WindowText).lightnessF() > palette.color(QPalette::Window).lightnessF();
}

}  // namespace marbrel
