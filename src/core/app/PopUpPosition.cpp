#include "core/app/PopUpPosition.h"

namespace marbrel {

std::optional<ScreenPoint> PopUpPosition::locate(const std::string& setting, const Context& context) {
  if (setting == "cursor") return context.mouseLocation;
  if (setting == "statusItem") {
    if (!context.statusItemWindowFrame) return std::nullopt;
    return context.statusItemWindowFrame->origin;
  }
  if (!context.mainScreenFrame) return std::nullopt;
  const ScreenSize screen = context.mainScreenFrame->size;
  return ScreenPoint{(screen.width - context.menuSize.width) * 0.5,
                     (screen.height + context.menuSize.height) * 0.5};
}

}  // namespace marbrel
