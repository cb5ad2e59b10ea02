#pragma once

#include <functional>
#include <optional>
#include <string>

#include "core/platform/ScreenGeometry.h"

namespace marbrel {

class MenuModel;

// The program's icon in the desktop's status area (the system tray), which opens the history menu
// when clicked.
class StatusItem {
 public:
  // Called with the new visibility when the user (not the program) shows or hides the icon.
  using VisibilityObserver = std::function<void(bool visible)>;

  virtual ~StatusItem() = default;

  // Whether the item has a button that can show an image and be clicked; without one the image is
  // not set and pop-ups at the item do nothing.
  virtual bool hasButton() const = 0;

  // Shows the application image named `name` ("StatusBarMenuIcon") on the button.
  virtual void setImage(const std::string& name) = 0;

  // The menu a click on the item opens (null: none). Not owned; it outlives the item or is replaced
  // first. Opening and closing it are reported like any other pop-up of the presenter.
  virtual void setMenu(MenuModel* menu) = 0;

  // Whether the user may remove the icon from the status area (which hides it).
  virtual void setRemovalAllowed(bool allowed) = 0;

  // Whether the icon is shown now.
  virtual bool isVisible() const = 0;

  // Shows or hides the icon. This does not call the visibility observer.
  virtual void setVisible(bool visible) = 0;

  // Sets the one observer of visibility changes made by the user, replacing any earlier one; an
  // empty function removes it. Where users cannot hide the icon it is never called.
  virtual void setVisibilityObserver(VisibilityObserver observer) = 0;

  // The frame of the window that holds the item's button, or nothing when there is no button or it
  // is in no window now.
  virtual std::optional<ScreenRect> buttonWindowFrame() const = 0;
};

}  // namespace marbrel
