#pragma once

#include <utility>

#include "core/platform/MenuPresenter.h"

namespace marbrel {

// A pop-up menu service in memory: popUp opens the menu at once (reporting it to the listener) and
// it stays open until a test closes it or the program cancels it.
class FakeMenuPresenter : public MenuPresenter {
 public:
  void setListener(MenuTrackingListener* newListener) override { listener = newListener; }
  void popUp(MenuModel& menu, ScreenPoint) override {
    if (openMenu) return;
    openMenu = &menu;
    if (listener) listener->menuWillOpen(menu);
  }
  ScreenSize menuSize(const MenuModel&) const override { return {300, 400}; }
  void cancelTracking() override {
    ++cancelCount;
    close();
  }
  bool isMenuOpen() const override { return openMenu != nullptr; }
  std::optional<ScreenRect> mainScreenFrame() const override { return ScreenRect{{0, 0}, {1440, 900}}; }
  ScreenPoint mouseLocation() const override { return {100, 200}; }

  // Closes the open menu as a click outside would.
  void close() {
    MenuModel* menu = std::exchange(openMenu, nullptr);
    if (menu && listener) listener->menuDidClose(*menu);
  }

  MenuTrackingListener* listener = nullptr;
  MenuModel* openMenu = nullptr;
  int cancelCount = 0;
};

}  // namespace marbrel
