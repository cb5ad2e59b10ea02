#include "core/app/DesktopRoutes.h"

#include <string>

namespace marbrel {

namespace {

bool isSet(const char* value) { return value && *value; }

}  // namespace

DesktopOffers::Session sessionFromEnvironment(const char* xdgSessionType, const char* waylandDisplay,
                                              const char* display) {
  if ((xdgSessionType && std::string(xdgSessionType) == "wayland") || isSet(waylandDisplay)) {
    return DesktopOffers::Session::wayland;
  }
  if (isSet(display)) return DesktopOffers::Session::x11;
  return DesktopOffers::Session::none;
}

CaptureRoute captureRoute(const DesktopOffers& offers) {
  if (offers.session == DesktopOffers::Session::wayland) {
    if (offers.extDataControl) return CaptureRoute::extDataControl;
    if (offers.wlrDataControl) return CaptureRoute::wlrDataControl;
  }
  return offers.xDisplay ? CaptureRoute::x11 : CaptureRoute::none;
}

PasteRoute pasteRoute(const DesktopOffers& offers) {
  switch (offers.session) {
    case DesktopOffers::Session::x11:
      return offers.xDisplay && offers.xtest ? PasteRoute::xtest : PasteRoute::none;
    case DesktopOffers::Session::wayland:
      if (offers.virtualKeyboard) return PasteRoute::virtualKeyboard;
      if (offers.fakeInput) return PasteRoute::fakeInput;
      if (offers.remoteDesktopPortal) return PasteRoute::portal;
      // Where the clipboard goes through XWayland anyway, XTest still reaches its X11 programs.
      if (captureRoute(offers) == CaptureRoute::x11 && offers.xtest) return PasteRoute::xtest;
      return PasteRoute::none;
    case DesktopOffers::Session::none:
      break;
  }
  return PasteRoute::none;
}

ShortcutRoute shortcutRoute(const DesktopOffers& offers) {
  if (offers.session == DesktopOffers::Session::x11 && offers.xDisplay) return ShortcutRoute::xGrab;
  if (offers.session == DesktopOffers::Session::wayland && offers.globalShortcutsPortal) return ShortcutRoute::portal;
  return ShortcutRoute::desktopBinding;
}

std::string_view name(CaptureRoute route) {
  switch (route) {
    case CaptureRoute::x11: return "X11";
    case CaptureRoute::extDataControl: return "ext-data-control-v1";
    case CaptureRoute::wlrDataControl: return "wlr-data-control-unstable-v1";
    case CaptureRoute::none: break;
  }
  return "none";
}

std::string_view name(PasteRoute route) {
  switch (route) {
    case PasteRoute::xtest: return "XTest";
    case PasteRoute::virtualKeyboard: return "virtual keyboard";
    case PasteRoute::fakeInput: return "fake input";
    case PasteRoute::portal: return "portal";
    case PasteRoute::none: break;
  }
  return "none";
}

std::string_view name(ShortcutRoute route) {
  switch (route) {
    case ShortcutRoute::xGrab: return "X grab";
    case ShortcutRoute::portal: return "portal";
    case ShortcutRoute::desktopBinding: break;
  }
  return "desktop binding needed";
}

}  // namespace marbrel
