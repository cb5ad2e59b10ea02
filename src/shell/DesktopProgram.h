#pragma once

namespace marbrel {

// Starts the desktop program (tray icon, history menu, global shortcut) and runs its event loop
// until it quits. Returns the process's exit code. A second launch on the same display asks the
// running program to pop its menu up and returns 0.
int runDesktopProgram(int argc, char** argv);

}  // namespace marbrel
