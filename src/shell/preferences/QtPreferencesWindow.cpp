#include "shell/preferences/QtPreferencesWindow.h"

#include <utility>
#include <vector>

#include "core/app/LaunchAtLogin.h"
#include "core/app/PreferencesWindowFrame.h"
#include "core/config/Configuration.h"
#include "launcher/InstallLayout.h"
#include "shell/preferences/AppearancePreferencesViewController.h"
#include "shell/preferences/GeneralPreferencesViewController.h"
#include "shell/preferences/PreferenceTexts.h"
#include "shell/preferences/PreferencesWindowController.h"

namespace marbrel {

QtPreferencesWindow::QtPreferencesWindow(PreferencesContext context)
    : context_(std::move(context)),
      frame_(std::make_unique<PreferencesWindowFrame>(context_.configuration.defaults())) {}

QtPreferencesWindow::QtPreferencesWindow(std::unique_ptr<LaunchAtLogin> launchAtLogin, Configuration& configuration,
                                         KeyboardShortcuts& shortcuts, NotificationCenter& notifications,
                                         const Strings& strings, KeyCharacterLookup keyCharacters,
                                         MenuKeyEquivalentsLookup menuItems, Alerts& alerts,
                                         GeneralPaneModel::StoredEntries storedEntries)
    : ownedLaunchAtLogin_(std::move(launchAtLogin)),
      context_{configuration,         *ownedLaunchAtLogin_,
               shortcuts,             notifications,
               strings,               ShortcutText(std::move(keyCharacters)),
               std::move(menuItems),  alerts,
               std::move(storedEntries)},
      frame_(std::make_unique<PreferencesWindowFrame>(configuration.defaults())) {}

std::unique_ptr<QtPreferencesWindow> QtPreferencesWindow::forDesktop(Configuration& configuration,
                                                                     KeyboardShortcuts& shortcuts,
                                                                     NotificationCenter& notifications,
                                                                     const Strings& strings,
                                                                     const KeyboardLayout& keyboard,
                                                                     MenuKeyEquivalentsLookup menuItems,
                                                                     Alerts& alerts,
                                                                     GeneralPaneModel::StoredEntries storedEntries) {
  // Programs match Ctrl+Q by the letter of the Latin layout whatever layout is selected, so the
  // recorder shows and checks that letter ("Ctrl+Shift+V", not Ctrl+Shift+М, under Russian).
  KeyCharacterLookup keyCharacters = ShortcutText::asciiCapableCharacters(keyboard);
  // The session starts the `marbrel` command, as a user would, rather than the program behind it.
  auto launchAtLogin = std::make_unique<LaunchAtLogin>(LaunchAtLogin::standardEntryFile(),
                                                       commandStarting(LaunchAtLogin::runningProgram()));
  return std::unique_ptr<QtPreferencesWindow>(new QtPreferencesWindow(std::move(launchAtLogin), configuration,
                                                                      shortcuts, notifications, strings,
                                                                      std::move(keyCharacters), std::move(menuItems),
                                                                      alerts, std::move(storedEntries)));
}

QtPreferencesWindow::~QtPreferencesWindow() = default;

void QtPreferencesWindow::show() {
  if (!controller_) {
    std::vector<std::unique_ptr<PreferencePane>> panes;
    panes.push_back(std::make_unique<GeneralPreferencesViewController>(context_));
    panes.push_back(std::make_unique<AppearancePreferencesViewController>(context_));
    const PreferenceTexts texts(context_.strings);
    controller_ = std::make_unique<PreferencesWindowController>(
        std::move(panes), /*animated=*/true, /*hidesToolbarForSingleItem=*/true, *frame_,
        texts.text("preferences_window_title"));
  }
  controller_->show();
}

}  // namespace marbrel
