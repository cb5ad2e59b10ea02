#pragma once

#include <memory>
#include <string>
#include <vector>

#include "core/platform/FrontWindow.h"

struct zwlr_foreign_toplevel_handle_v1;
struct zwlr_foreign_toplevel_manager_v1;

namespace marbrel {

class WaylandConnection;

// The program in front on a wlroots compositor (sway, Hyprland...): the app id of the toplevel
// zwlr_foreign_toplevel_manager_v1 reports activated, kept up to date from the compositor's events.
class WaylandFrontWindow : public FrontWindow {
 public:
  // Follows the toplevels on `connection` (not owned; outlives this); nothing when the compositor
  // does not offer the protocol.
  static std::unique_ptr<WaylandFrontWindow> create(WaylandConnection& connection);
  ~WaylandFrontWindow() override;

  std::vector<std::string> applicationIds() const override;

 private:
  // One toplevel: what the last done event settled, and what the events since then say.
  struct Toplevel {
    zwlr_foreign_toplevel_handle_v1* handle = nullptr;
    std::string appId, pendingAppId;
    bool activated = false, pendingActivated = false;
  };

  WaylandFrontWindow(WaylandConnection& connection, zwlr_foreign_toplevel_manager_v1* manager);

  WaylandConnection& connection_;
  zwlr_foreign_toplevel_manager_v1* manager_;
  std::vector<std::unique_ptr<Toplevel>> toplevels_;

  friend struct ToplevelEvents;
};

}  // namespace marbrel
