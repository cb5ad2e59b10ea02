#pragma once

#include <string>
#include <vector>

namespace marbrel {

// Tells which program owns the window that has the keyboard, by the names the desktop gives it.
class FrontWindow {
 public:
  virtual ~FrontWindow() = default;

  // The names of the program in front: an X11 window's WM_CLASS instance and class, a Wayland
  // toplevel's app id. Empty when the desktop does not say (GNOME's Wayland session) or no window
  // has the keyboard. Asked before the program's own menu takes the keyboard.
  virtual std::vector<std::string> applicationIds() const = 0;
};

}  // namespace marbrel
