#pragma once

namespace marbrel {

// The exit status of a program that leaves the history to another one holding it: on another
// display (it says which), or on this display when started with arguments.
inline constexpr int kExitHistoryInUse = 3;

// Starts the desktop program (tray icon, history menu, global shortcut) and runs its event loop
// until it quits. Returns the process's exit code. A second bare launch on the same display asks
// the running program to pop its menu up and returns 0.
int runDesktopProgram(int argc, char** argv);

}  // namespace marbrel
