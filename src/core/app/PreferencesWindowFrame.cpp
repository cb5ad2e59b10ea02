#include "core/app/PreferencesWindowFrame.h"

#include <algorithm>
#include <limits>

#include "core/config/Defaults.h"

namespace marbrel {

namespace {

// How much of the window's top strip must lie on a screen for the window to be reachable.
constexpr int kGrabWidth = 64;
constexpr int kGrabHeight = 24;

std::optional<int> intMember(const Defaults::Value& object, const char* name) {
  const auto it = object.find(name);
  if (it == object.end() || !it->is_number_integer()) return std::nullopt;
  const auto value = it->get<std::int64_t>();
  // Frames come from one desktop; anything beyond a few hundred thousand pixels is not one.
  constexpr std::int64_t kLimit = 1 << 20;
  if (value < -kLimit || value > kLimit) return std::nullopt;
  return static_cast<int>(value);
}

bool topReachable(const WindowFrame& window, const WindowFrame& screen) {
  const int left = std::max(window.x, screen.x);
  const int right = std::min(window.x + window.width, screen.x + screen.width);
  const int stripBottom = window.y + std::min(window.height, kGrabHeight);
  const int top = std::max(window.y, screen.y);
  const int bottom = std::min(stripBottom, screen.y + screen.height);
  return right - left >= std::min(window.width, kGrabWidth) &&
         bottom - top >= std::min(window.height, kGrabHeight) && bottom > top;
}

}  // namespace

std::optional<WindowFrame> PreferencesWindowFrame::saved() const {
  const auto value = defaults_.objectForKey(autosaveName_);
  if (!value || !value->is_object()) return std::nullopt;
  const auto x = intMember(*value, "x");
  const auto y = intMember(*value, "y");
  const auto width = intMember(*value, "width");
  const auto height = intMember(*value, "height");
  if (!x || !y || !width || !height || *width <= 0 || *height <= 0) return std::nullopt;
  return WindowFrame{*x, *y, *width, *height};
}

void PreferencesWindowFrame::save(const WindowFrame& frame) {
  if (saved() == frame) return;
  defaults_.set(autosaveName_, Defaults::Value{{"x", frame.x}, {"y", frame.y}, {"width", frame.width},
                                               {"height", frame.height}});
}

WindowFrame PreferencesWindowFrame::placement(const WindowFrame& frame, const WindowFrame& screen,
                                              const std::vector<WindowFrame>& screens) const {
  WindowFrame placed = frame;
  placed.x = screen.x + screen.width / 2 - frame.width / 2;
  placed.y = screen.y + screen.height / 2 - frame.height / 2;
  if (const auto remembered = saved()) {
    WindowFrame candidate = placed;
    candidate.x = remembered->x;
    candidate.y = remembered->y;
    const bool reachable = std::any_of(screens.begin(), screens.end(), [&](const WindowFrame& each) {
      return topReachable(candidate, each);
    });
    if (reachable) placed = candidate;
  }
  return placed;
}

}  // namespace marbrel
