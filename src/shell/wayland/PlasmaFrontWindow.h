#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/platform/FrontWindow.h"

struct org_kde_plasma_window;
struct org_kde_plasma_window_management;

namespace marbrel {

class WaylandConnection;

// The program in front under KWin (Plasma): the app id of the window that Plasma's window management
// reports active, kept up to date from the compositor's events. KWin offers the protocol only to a
// program that a desktop entry authorises (as it does its fake input).
class PlasmaFrontWindow : public FrontWindow {
 public:
  // Follows the windows on a connection of its own: KWin 5.27 sends events of later protocol
  // versions than the one bound, and one the program could not read would end the connection, which
  // must not be the clipboard's. Nothing when the compositor does not offer the protocol to this
  // program. Once that connection is lost, the window in front is not known (Ctrl+V everywhere).
  static std::unique_ptr<PlasmaFrontWindow> create();
  ~PlasmaFrontWindow() override;

  std::vector<std::string> applicationIds() const override;

 private:
  struct Window {
    PlasmaFrontWindow* owner = nullptr;
    org_kde_plasma_window* handle = nullptr;  // null once the window is gone
    std::string appId;
    bool active = false;
    std::uint64_t activatedAt = 0;  // when it last became active, in activations counted
  };

  PlasmaFrontWindow(std::unique_ptr<WaylandConnection> connection, org_kde_plasma_window_management* manager);

  std::unique_ptr<WaylandConnection> connection_;
  org_kde_plasma_window_management* manager_;
  std::vector<std::unique_ptr<Window>> windows_;
  std::uint64_t activations_ = 0;

  friend struct PlasmaWindowEvents;
};

}  // namespace marbrel
