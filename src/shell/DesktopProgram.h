#pragma once

#include <memory>

namespace marbrel {

class Alerts;
class Configuration;
class KeyboardShortcuts;
class NotificationCenter;
class PreferencesWindow;
class Sauce;
class Strings;

// What the desktop program's windows work with; none of it is owned.
struct DesktopServices {
  Configuration& configuration;
  KeyboardShortcuts& shortcuts;
  const Sauce& sauce;
  NotificationCenter& notifications;
  const Strings& strings;
  Alerts& alerts;
};

// Starts the desktop program (tray icon, history menu, global shortcut) and runs its event loop
// until it quits. Returns the process's exit code. A second launch on the same display asks the
// running program to pop its menu up and returns 0.
int runDesktopProgram(int argc, char** argv);

// The preferences window (General and Appearance panes).
std::unique_ptr<PreferencesWindow> makePreferencesWindow(const DesktopServices& services);

}  // namespace marbrel
