#pragma once

#include <utility>
#include <vector>

#include "core/platform/MenuPresenter.h"

namespace marbrel {

// A pop-up menu service in memory: popUp opens the menu at once (reporting it to the listener) and
// it stays open until a test closes it or the program cancels it; key presses are sent by the test.
class FakeMenuPresenter : public MenuPresenter {
 public:
  void setListener(MenuTrackingListener* newListener) override { listener = newListener; }
  void popUp(MenuModel& menu, ScreenPoint location) override {
    if (openMenu) return;
    popUpLocations.push_back(location);
    openMenu = &menu;
    if (listener) listener->menuWillOpen(menu);
  }
  ScreenSize menuSize(const MenuModel&) const override { return size; }
  void cancelTracking() override {
    ++cancelCount;
    close();
  }
  bool isMenuOpen() const override { return openMenu != nullptr; }
  std::optional<ScreenRect> mainScreenFrame() const override { return screen; }
  ScreenPoint mouseLocation() const override { return {100, 200}; }

  // Closes the open menu as a click outside would.
  void close() {
    MenuModel* menu = std::exchange(openMenu, nullptr);
    if (menu && listener) listener->menuDidClose(*menu);
  }
  // Presses a key in the open menu; returns whether the program handled it (false with no menu).
  bool keyDown(std::uint16_t keyCode, std::uint64_t flags, std::optional<std::string> characters = std::nullopt) {
    return openMenu && listener && listener->menuKeyDown(*openMenu, keyCode, flags, characters);
  }

  MenuTrackingListener* listener = nullptr;
  MenuModel* openMenu = nullptr;
  std::vector<ScreenPoint> popUpLocations;
  int cancelCount = 0;
  ScreenSize size{300, 400};
  std::optional<ScreenRect> screen = ScreenRect{{0, 0}, {1440, 900}};
};

}  // namespace marbrel
