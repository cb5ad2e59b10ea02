#include "shell/wayland/PlasmaFrontWindow.h"

#include <algorithm>
#include <iostream>

#include <wayland-client.h>

#include "shell/wayland/WaylandConnection.h"
#include "wayland/plasma-window-management-client.h"

namespace marbrel {

namespace {
// Version 4 brings the window's destructor; later ones announce windows by uuid and add what this
// program does not need.
constexpr std::uint32_t kManagementVersion = 4;
}  // namespace

struct PlasmaWindowEvents {
  using Window = PlasmaFrontWindow::Window;

  static void appId(void* data, org_kde_plasma_window*, const char* id) {
    static_cast<Window*>(data)->appId = id ? id : "";
  }
  static void state(void* data, org_kde_plasma_window*, std::uint32_t flags) {
    auto* window = static_cast<Window*>(data);
    const bool active = (flags & ORG_KDE_PLASMA_WINDOW_MANAGEMENT_STATE_ACTIVE) != 0;
    // While the compositor moves the keyboard, two windows may say they are active for a moment:
    // the one that became so last is in front.
    if (active && !window->active) window->activatedAt = ++window->owner->activations_;
    window->active = active;
  }
  static void unmapped(void* data, org_kde_plasma_window* handle) {
    auto* window = static_cast<Window*>(data);
    org_kde_plasma_window_destroy(handle);
    window->handle = nullptr;
    window->active = false;
  }
  // The rest of what KWin tells of a window does not matter here.
  static void text(void*, org_kde_plasma_window*, const char*) {}
  static void number(void*, org_kde_plasma_window*, std::int32_t) {}
  static void unsignedNumber(void*, org_kde_plasma_window*, std::uint32_t) {}
  static void nothing(void*, org_kde_plasma_window*) {}
  static void parent(void*, org_kde_plasma_window*, org_kde_plasma_window*) {}
  static void geometry(void*, org_kde_plasma_window*, std::int32_t, std::int32_t, std::uint32_t, std::uint32_t) {}
  static void menu(void*, org_kde_plasma_window*, const char*, const char*) {}
  static constexpr org_kde_plasma_window_listener listener = {
      .title_changed = text,
      .app_id_changed = appId,
      .state_changed = state,
      .virtual_desktop_changed = number,
      .themed_icon_name_changed = text,
      .unmapped = unmapped,
      .initial_state = nothing,
      .parent_window = parent,
      .geometry = geometry,
      .icon_changed = nothing,
      .pid_changed = unsignedNumber,
      .virtual_desktop_entered = text,
      .virtual_desktop_left = text,
      .application_menu = menu,
      .activity_entered = text,
      .activity_left = text,
      .resource_name_changed = text,
  };

  static void follow(PlasmaFrontWindow* self, std::uint32_t id) {
    // Windows that are gone give their places to new ones.
    std::erase_if(self->windows_, [](const auto& w) { return w->handle == nullptr; });
    auto entry = std::make_unique<Window>();
    entry->owner = self;
    entry->handle = org_kde_plasma_window_management_get_window(self->manager_, id);
    if (!entry->handle) return;
    org_kde_plasma_window_add_listener(entry->handle, &listener, entry.get());
    self->windows_.push_back(std::move(entry));
  }
  static void window(void* data, org_kde_plasma_window_management*, std::uint32_t id) {
    follow(static_cast<PlasmaFrontWindow*>(data), id);
  }
  static void windowWithUuid(void* data, org_kde_plasma_window_management*, std::uint32_t id, const char*) {
    follow(static_cast<PlasmaFrontWindow*>(data), id);
  }
  static void showDesktop(void*, org_kde_plasma_window_management*, std::uint32_t) {}
  static void stackingOrder(void*, org_kde_plasma_window_management*, wl_array*) {}
  static void stackingOrderUuids(void*, org_kde_plasma_window_management*, const char*) {}
  static constexpr org_kde_plasma_window_management_listener managerListener = {
      .show_desktop_changed = showDesktop,
      .window = window,
      .stacking_order_changed = stackingOrder,
      .stacking_order_uuid_changed = stackingOrderUuids,
      .window_with_uuid = windowWithUuid,
  };
};

std::unique_ptr<PlasmaFrontWindow> PlasmaFrontWindow::create() {
  std::unique_ptr<WaylandConnection> connection = WaylandConnection::connectToCompositor();
  if (!connection) return nullptr;
  const WaylandConnection::Global* offered = connection->global(org_kde_plasma_window_management_interface.name);
  if (!offered || offered->version < kManagementVersion) return nullptr;
  auto* manager = static_cast<org_kde_plasma_window_management*>(
      connection->bind(org_kde_plasma_window_management_interface, kManagementVersion));
  if (!manager) return nullptr;
  return std::unique_ptr<PlasmaFrontWindow>(new PlasmaFrontWindow(std::move(connection), manager));
}

PlasmaFrontWindow::PlasmaFrontWindow(std::unique_ptr<WaylandConnection> connection,
                                     org_kde_plasma_window_management* manager)
    : connection_(std::move(connection)), manager_(manager) {
  org_kde_plasma_window_management_add_listener(manager_, &PlasmaWindowEvents::managerListener, this);
  QObject::connect(connection_.get(), &WaylandConnection::broken, connection_.get(), [this] {
    std::cerr << "marbrel: KWin's window list was lost (" << connection_->problem()
              << "); Wayland programs get Ctrl+V from now on\n";
  });
  connection_->flush();
}

PlasmaFrontWindow::~PlasmaFrontWindow() {
  for (const auto& window : windows_) {
    if (window->handle) org_kde_plasma_window_destroy(window->handle);
  }
  // The interface has no destructor request: the proxy goes on this side only.
  wl_proxy_destroy(reinterpret_cast<wl_proxy*>(manager_));
  connection_->flush();
}

std::vector<std::string> PlasmaFrontWindow::applicationIds() const {
  if (connection_->failed()) return {};
  const Window* front = nullptr;
  for (const auto& window : windows_) {
    if (window->handle && window->active && !window->appId.empty() &&
        (!front || window->activatedAt > front->activatedAt)) {
      front = window.get();
    }
  }
  if (!front) return {};
  return {front->appId};
}

}  // namespace marbrel
