#pragma once

namespace marbrel {

// Starts the desktop program (tray icon, history menu, global shortcut) and runs its event loop
// until it quits. Returns the process's exit code.
int runDesktopProgram(int argc, char** argv);

}  // namespace marbrel
