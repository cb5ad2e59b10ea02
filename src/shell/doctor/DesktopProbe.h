#pragma once

#include <string>
#include <vector>

#include "cli/DoctorReport.h"

namespace marbrel {

// Looks at the session `marbrel doctor` runs in: the Wayland compositor's globals, the X server's
// extensions and tray selection, the desktop portals and tray host on the session bus, and the
// settings and history files. Each probe is bounded in time; none changes anything.
cli::DoctorProbe probeDesktop();

// `marbrel doctor [--json]` with the probes above.
int runDoctor(int argc, char** argv, const std::vector<std::string>& args);

}  // namespace marbrel
