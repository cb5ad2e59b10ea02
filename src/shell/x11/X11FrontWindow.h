#pragma once

#include "core/platform/FrontWindow.h"

namespace marbrel {

class X11Connection;

// The program in front on an X server: the WM_CLASS (instance, then class) of the window the window
// manager names active (_NET_ACTIVE_WINDOW), else of the window with the input focus or the nearest
// ancestor that has one. Under a Wayland compositor it sees XWayland's windows only.
class X11FrontWindow : public FrontWindow {
 public:
  // `connection` is not owned and outlives this object.
  explicit X11FrontWindow(X11Connection& connection) : connection_(connection) {}

  std::vector<std::string> applicationIds() const override;

 private:
  X11Connection& connection_;
};

}  // namespace marbrel
