#pragma once

#include <memory>
#include <string>

namespace marbrel {

class FrontWindow;
class KeySynthesizer;
class MainQueue;
class Pasteboard;
class PortalStatus;
class Strings;
class X11Connection;

// The clipboard and synthetic-key adapters the desktop session calls for. In a Wayland session
// whose compositor offers a data-control protocol, the Wayland ones: the compositor lets X11
// programs see the clipboard only while one of their windows has the keyboard, and XTest keys reach
// X11 programs only. Otherwise the X11 ones. In a Wayland session whose compositor sends no keys for
// us (no virtual keyboard, no fake input), the desktop's RemoteDesktop portal types the paste key
// whenever it runs (it may start after Marbrel), the other adapter while it does not.
class SessionAdapters {
 public:
  // `x11`, `strings`, `portalStatus` and `clock` are not owned and outlive the adapters; the portal's
  // answers go to `portalStatus`.
  static std::unique_ptr<SessionAdapters> choose(X11Connection& x11, const Strings& strings,
                                                 PortalStatus& portalStatus, const MainQueue& clock);
  ~SessionAdapters();

  Pasteboard& pasteboard() const { return *pasteboard_; }
  KeySynthesizer& keys() const { return *keys_; }
  // Names the program in front: a wlroots compositor's activated toplevel, KWin's active window
  // (when it authorises this program), else the X server's active window (under other
  // compositors, XWayland's windows only).
  const FrontWindow& frontWindow() const { return *frontWindow_; }
  // Whether the Wayland adapters were chosen.
  bool wayland() const { return wayland_; }
  // One line for the log: which adapters, through which protocols.
  const std::string& description() const { return description_; }

 private:
  struct Owned;
  SessionAdapters();

  std::unique_ptr<Owned> owned_;
  Pasteboard* pasteboard_ = nullptr;
  KeySynthesizer* keys_ = nullptr;
  const FrontWindow* frontWindow_ = nullptr;
  bool wayland_ = false;
  std::string description_;
};

}  // namespace marbrel
