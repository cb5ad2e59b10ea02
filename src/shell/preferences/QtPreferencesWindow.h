#pragma once

#include <memory>

#include "core/platform/PreferencesWindow.h"
#include "shell/preferences/PreferencesContext.h"

namespace marbrel {

class KeyboardLayout;
class PreferencesWindowController;
class PreferencesWindowFrame;

// The preferences window for the controller: built on the first showing with the General and
// Appearance panes (animated pane changes, the toolbar hidden were there only one pane), then kept
// for the life of the program.
class QtPreferencesWindow : public PreferencesWindow {
 public:
  explicit QtPreferencesWindow(PreferencesContext context);
  ~QtPreferencesWindow() override;

  // The desktop program's window: launch at login through the user's autostart folder, starting
  // the running executable. None of the references is owned. The recorder reads key characters
  // from `keyboard`; `menuItems` gives the program's own key equivalents (it may answer nothing
  // until the menu exists); `storedEntries` how many entries a smaller history size would delete.
  static std::unique_ptr<QtPreferencesWindow> forDesktop(Configuration& configuration, KeyboardShortcuts& shortcuts,
                                                         NotificationCenter& notifications, const Strings& strings,
                                                         const KeyboardLayout& keyboard,
                                                         MenuKeyEquivalentsLookup menuItems, Alerts& alerts,
                                                         GeneralPaneModel::StoredEntries storedEntries);

  void show() override;

  // Lets the General pane explain what the desktop portals answered; set before the first showing.
  void setPortalStatus(const PortalStatus* status) { context_.portalStatus = status; }

  // The window's controller once the window exists; null before the first showing.
  PreferencesWindowController* controller() const { return controller_.get(); }

 private:
  QtPreferencesWindow(std::unique_ptr<LaunchAtLogin> launchAtLogin, Configuration& configuration,
                      KeyboardShortcuts& shortcuts, NotificationCenter& notifications, const Strings& strings,
                      KeyCharacterLookup keyCharacters, MenuKeyEquivalentsLookup menuItems, Alerts& alerts,
                      GeneralPaneModel::StoredEntries storedEntries);

  // Declared before the context, which may refer to it.
  std::unique_ptr<LaunchAtLogin> ownedLaunchAtLogin_;
  PreferencesContext context_;
  std::unique_ptr<PreferencesWindowFrame> frame_;
  std::unique_ptr<PreferencesWindowController> controller_;
};

}  // namespace marbrel
