#pragma once

#include <string_view>

namespace marbrel {

// What a desktop session offers Marbrel (found by probing the display servers and the session bus),
// and the way each service then takes: one decision, shared by the program and `marbrel doctor`.
struct DesktopOffers {
  enum class Session { none, x11, wayland };
  Session session = Session::none;
  bool xDisplay = false;        // an X server (X11, or XWayland in a Wayland session) accepts us
  bool xtest = false;           // that server has the XTest extension
  bool extDataControl = false;  // ext_data_control_manager_v1
  bool wlrDataControl = false;  // zwlr_data_control_manager_v1
  bool virtualKeyboard = false; // zwp_virtual_keyboard_manager_v1
  bool fakeInput = false;       // org_kde_kwin_fake_input
  // The compositor hands every Wayland selection to XWayland, whichever window has the keyboard
  // (Mutter), so the X clipboard sees the copies of Wayland programs too.
  bool xClipboardSeesWayland = false;
  bool globalShortcutsPortal = false;
  bool remoteDesktopPortal = false;
};

enum class CaptureRoute { x11, extDataControl, wlrDataControl, none };
enum class PasteRoute { xtest, virtualKeyboard, fakeInput, portal, none };
enum class ShortcutRoute { xGrab, portal, desktopBinding };

// The session type from the environment: Wayland when XDG_SESSION_TYPE says so or WAYLAND_DISPLAY is
// set, X11 when DISPLAY is set, else none. Null pointers stand for unset variables.
DesktopOffers::Session sessionFromEnvironment(const char* xdgSessionType, const char* waylandDisplay,
                                              const char* display);

// The clipboard: a data-control protocol in a Wayland session (ext before wlr), else the X
// clipboard (under XWayland it sees copies of X11 programs only).
CaptureRoute captureRoute(const DesktopOffers& offers);

// The synthesised paste key. X11: XTest. Wayland: the virtual-keyboard protocol, KWin's fake input,
// then the RemoteDesktop portal; else XTest where the clipboard too goes through XWayland (it reaches
// X11 programs only), or none beside a data-control clipboard.
PasteRoute pasteRoute(const DesktopOffers& offers);

// The global shortcut. X11: a grab on the root window. Wayland: the GlobalShortcuts portal, else
// the desktop's own key binding that runs `marbrel` (a second launch opens the menu).
ShortcutRoute shortcutRoute(const DesktopOffers& offers);

std::string_view name(CaptureRoute route);
std::string_view name(PasteRoute route);
std::string_view name(ShortcutRoute route);

}  // namespace marbrel
