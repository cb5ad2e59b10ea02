#pragma once

#include "core/app/GeneralPaneModel.h"
#include "core/shortcuts/MenuKeyEquivalent.h"
#include "core/shortcuts/ShortcutText.h"

namespace marbrel {

class Alerts;
class Configuration;
class KeyboardShortcuts;
class LaunchAtLogin;
class NotificationCenter;
class PortalStatus;
class Strings;

// What the preference panes work with; none of it is owned, and all of it outlives the window.
struct PreferencesContext {
  Configuration& configuration;
  LaunchAtLogin& launchAtLogin;
  KeyboardShortcuts& shortcuts;
  NotificationCenter& notifications;
  const Strings& strings;
  // How the recorder writes shortcuts, and where it looks for the program's own key equivalents.
  ShortcutText shortcutText;
  MenuKeyEquivalentsLookup menuItems;
  // Asks before a smaller history size deletes entries, and counts the entries it would delete.
  Alerts& alerts;
  GeneralPaneModel::StoredEntries storedEntries;
  // What the desktop portals answered, where the shortcut or the paste go through them; else null.
  const PortalStatus* portalStatus = nullptr;
};

}  // namespace marbrel
