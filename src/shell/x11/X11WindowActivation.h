#pragma once

#include <cstdint>
#include <string>

namespace marbrel {

// Asks the window manager to give the (mapped or mapping) X11 window `window` the keyboard now, as a
// user's request would: Mutter keeps the keyboard from a window whose user time is older than the
// last input, and Qt stamps a window with the time of the last X event it saw. So the window gets a
// current server time as its user time, the launch's activation token (`startupId`, may be empty) as
// its startup id, and an activation request with that time. Uses a connection of its own to the
// display named by $DISPLAY; false when there is none.
bool activateX11Window(std::uint32_t window, const std::string& startupId);

}  // namespace marbrel
