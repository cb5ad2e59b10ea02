#include "shell/wayland/WaylandFrontWindow.h"

#include <algorithm>
#include <cstdint>

#include <wayland-client.h>

#include "shell/wayland/WaylandConnection.h"
#include "wayland/wlr-foreign-toplevel-management-unstable-v1-client.h"

namespace marbrel {

namespace {
// Version 3 adds the parent event only; any version gives app ids and states.
constexpr std::uint32_t kManagerVersion = 3;
}  // namespace

struct ToplevelEvents {
  using Toplevel = WaylandFrontWindow::Toplevel;

  static void title(void*, zwlr_foreign_toplevel_handle_v1*, const char*) {}
  static void appId(void* data, zwlr_foreign_toplevel_handle_v1*, const char* id) {
    static_cast<Toplevel*>(data)->pendingAppId = id ? id : "";
  }
  static void output(void*, zwlr_foreign_toplevel_handle_v1*, wl_output*) {}
  static void state(void* data, zwlr_foreign_toplevel_handle_v1*, wl_array* states) {
    bool activated = false;
    const auto* values = static_cast<const std::uint32_t*>(states->data);
    for (std::size_t i = 0; i < states->size / sizeof(std::uint32_t); ++i) {
      activated = activated || values[i] == ZWLR_FOREIGN_TOPLEVEL_HANDLE_V1_STATE_ACTIVATED;
    }
    static_cast<Toplevel*>(data)->pendingActivated = activated;
  }
  static void done(void* data, zwlr_foreign_toplevel_handle_v1*) {
    auto* toplevel = static_cast<Toplevel*>(data);
    toplevel->appId = toplevel->pendingAppId;
    toplevel->activated = toplevel->pendingActivated;
  }
  static void closed(void* data, zwlr_foreign_toplevel_handle_v1* handle) {
    auto* toplevel = static_cast<Toplevel*>(data);
    zwlr_foreign_toplevel_handle_v1_destroy(handle);
    toplevel->handle = nullptr;
    toplevel->activated = false;
  }
  static void parent(void*, zwlr_foreign_toplevel_handle_v1*, zwlr_foreign_toplevel_handle_v1*) {}
  static constexpr zwlr_foreign_toplevel_handle_v1_listener listener = {title, appId, output, output, state,
                                                                         done, closed, parent};

  static void toplevel(void* data, zwlr_foreign_toplevel_manager_v1*, zwlr_foreign_toplevel_handle_v1* handle) {
    auto* self = static_cast<WaylandFrontWindow*>(data);
    // Handles of closed toplevels are gone: their places are taken again.
    std::erase_if(self->toplevels_, [](const auto& t) { return t->handle == nullptr; });
    auto entry = std::make_unique<Toplevel>();
    entry->handle = handle;
    zwlr_foreign_toplevel_handle_v1_add_listener(handle, &listener, entry.get());
    self->toplevels_.push_back(std::move(entry));
  }
  static void finished(void* data, zwlr_foreign_toplevel_manager_v1*) {
    auto* self = static_cast<WaylandFrontWindow*>(data);
    wl_proxy_destroy(reinterpret_cast<wl_proxy*>(self->manager_));
    self->manager_ = nullptr;
  }
  static constexpr zwlr_foreign_toplevel_manager_v1_listener managerListener = {toplevel, finished};
};

std::unique_ptr<WaylandFrontWindow> WaylandFrontWindow::create(WaylandConnection& connection) {
  auto* manager = static_cast<zwlr_foreign_toplevel_manager_v1*>(
      connection.bind(zwlr_foreign_toplevel_manager_v1_interface, kManagerVersion));
  if (!manager) return nullptr;
  return std::unique_ptr<WaylandFrontWindow>(new WaylandFrontWindow(connection, manager));
}

WaylandFrontWindow::WaylandFrontWindow(WaylandConnection& connection, zwlr_foreign_toplevel_manager_v1* manager)
    : connection_(connection), manager_(manager) {
  zwlr_foreign_toplevel_manager_v1_add_listener(manager_, &ToplevelEvents::managerListener, this);
  connection_.flush();
}

WaylandFrontWindow::~WaylandFrontWindow() {
  for (const auto& toplevel : toplevels_) {
    if (toplevel->handle) zwlr_foreign_toplevel_handle_v1_destroy(toplevel->handle);
  }
  if (manager_) wl_proxy_destroy(reinterpret_cast<wl_proxy*>(manager_));
  connection_.flush();
}

std::vector<std::string> WaylandFrontWindow::applicationIds() const {
  const auto active = std::find_if(toplevels_.begin(), toplevels_.end(), [](const auto& t) {
    return t->handle && t->activated && !t->appId.empty();
  });
  if (active == toplevels_.end()) return {};
  return {(*active)->appId};
}

}  // namespace marbrel
