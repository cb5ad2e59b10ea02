#include "fakes/FakeMenuPresenter.h"

namespace marbrel {

void FakeMenuPresenter::popUp(MenuModel& menu, ScreenPoint location) {
  if (openMenu) return;
  popUpLocations.push_back(location);
  openFromStatusItem(menu);
}

void FakeMenuPresenter::openFromStatusItem(MenuModel& menu) {
  if (openMenu) return;
  openMenu = &menu;
  if (listener) listener->menuWillOpen(menu);
}

void FakeMenuPresenter::cancelTracking() {
  ++cancelCount;
  close();
}

void FakeMenuPresenter::close() {
  MenuModel* menu = openMenu;
  if (!menu) return;
  openMenu = nullptr;
  if (listener) listener->menuDidClose(*menu);
}

bool FakeMenuPresenter::keyDown(std::uint16_t keyCode, std::uint64_t flags, std::optional<std::string> characters) {
  if (!openMenu || !listener) return false;
  return listener->menuKeyDown(*openMenu, keyCode, flags, characters);
}

}  // namespace marbrel
