#pragma once

#include <optional>
#include <string>

#include "core/platform/ScreenGeometry.h"

namespace marbrel {

// Where the history menu pops up for the "popupPosition" setting: the point that the menu's
// top-left corner goes to, in screen coordinates with the origin at the bottom left.
class PopUpPosition {
 public:
  // What the choice may look at; each is nothing when the platform has none.
  struct Context {
    ScreenPoint mouseLocation;
    std::optional<ScreenRect> statusItemWindowFrame;
    std::optional<ScreenRect> mainScreenFrame;
    ScreenSize menuSize;
  };

  // "cursor": at the mouse. "statusItem": at the bottom-left corner of the status item's window, or
  // at the mouse when the item's window is unknown. Anything else ("center"): centred on the main
  // screen's frame (nothing without a screen).
  static std::optional<ScreenPoint> locate(const std::string& setting, const Context& context);
};

}  // namespace marbrel
