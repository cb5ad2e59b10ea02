#pragma once

namespace marbrel {

// Waits until the X server has handled every request sent so far on Qt's own connection (none
// outside X11). Synthetic keys and other programs' requests travel on other connections, so what
// the GUI asked for (a grab released, the clipboard taken) is in force only after this returns.
void syncGuiConnection();

}  // namespace marbrel
