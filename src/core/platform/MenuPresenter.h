#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "core/platform/ScreenGeometry.h"

namespace marbrel {

class MenuModel;

// What the program hears from an open menu: that it opens and closes, and every key press before
// the menu itself sees it.
class MenuTrackingListener {
 public:
  virtual ~MenuTrackingListener() = default;

  // The menu is about to be shown; its items may still change before it is drawn.
  virtual void menuWillOpen(MenuModel& menu) = 0;

  // The menu has closed (chosen, cancelled, clicked outside).
  virtual void menuDidClose(MenuModel& menu) = 0;

  // A key press (or auto-repeat) while the menu is open, before the menu or a focused field sees
  // it. `keyCode` is a virtual key code of the ANSI layout (V is 9), `flags` the Cocoa modifier flags
  // (Command 0x100000), `characters` the text the key types ignoring modifiers, if any. Returns true
  // when the press was handled: it then goes no further. Unhandled presses reach the menu unchanged.
  virtual bool menuKeyDown(MenuModel& menu, std::uint16_t keyCode, std::uint64_t flags,
                           const std::optional<std::string>& characters) = 0;
};

// Shows a menu model as a pop-up menu and answers questions about the screen and the pointer.
class MenuPresenter {
 public:
  virtual ~MenuPresenter() = default;

  // Sets the listener told about every menu this presenter shows (also menus opened from the status
  // item); null removes it. Not owned; it outlives the presenter or is removed first.
  virtual void setListener(MenuTrackingListener* listener) = 0;

  // Opens `menu` with its top-left corner at `location` and lets the user choose from it. Reports
  // menuWillOpen before the menu shows and menuDidClose after it closes; may return before or after
  // the menu closes. Does nothing while a menu is open already. `menu` is not owned.
  virtual void popUp(MenuModel& menu, ScreenPoint location) = 0;

  // The size `menu` takes when shown now (its width at least its minimum width).
  virtual ScreenSize menuSize(const MenuModel& menu) const = 0;

  // Closes the open menu, if any, without choosing; menuDidClose follows (maybe on a later turn).
  virtual void cancelTracking() = 0;

  // Whether a menu shown by this presenter is open now.
  virtual bool isMenuOpen() const = 0;

  // The frame of the main screen (the one with the keyboard focus), or nothing when there is none.
  virtual std::optional<ScreenRect> mainScreenFrame() const = 0;

  // Where the mouse pointer is now.
  virtual ScreenPoint mouseLocation() const = 0;
};

}  // namespace marbrel
