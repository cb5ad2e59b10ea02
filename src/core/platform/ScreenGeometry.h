#pragma once

namespace marbrel {

// Points and rectangles on the desktop, in points, with the origin at the bottom-left corner of the
// primary screen and y growing upwards (the shell converts to its own coordinates at its edge).
struct ScreenPoint {
  double x = 0;
  double y = 0;
  bool operator==(const ScreenPoint&) const = default;
};

struct ScreenSize {
  double width = 0;
  double height = 0;
  bool operator==(const ScreenSize&) const = default;
};

// `origin` is the bottom-left corner.
struct ScreenRect {
  ScreenPoint origin;
  ScreenSize size;
  bool operator==(const ScreenRect&) const = default;
};

}  // namespace marbrel
