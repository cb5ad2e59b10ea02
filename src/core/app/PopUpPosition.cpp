#include "core/app/PopUpPosition.h"

namespace marbrel {

std::optional<ScreenPoint> PopUpPosition::locate(const std::string& setting, const Context& context) {
  if (setting == "cursor") return context.mouseLocation;
  if (setting == "statusItem") {
    // Trays that tell no geometry (those reached over D-Bus) leave only the pointer, which is
    // where a click on the icon opens the menu too.
    if (!context.statusItemWindowFrame) return context.mouseLocation;
    return context.statusItemWindowFrame->origin;
  }
  if (!context.mainScreenFrame) return std::nullopt;
  // The screen's own origin counts: on a desktop of several monitors, the chosen one may start
  // anywhere.
  const ScreenRect& screen = *context.mainScreenFrame;
  return ScreenPoint{screen.origin.x + (screen.size.width - context.menuSize.width) * 0.5,
                     screen.origin.y + (screen.size.height + context.menuSize.height) * 0.5};
}

}  // namespace marbrel
