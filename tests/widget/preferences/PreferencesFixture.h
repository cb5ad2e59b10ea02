#pragma once

#include <map>
#include <memory>
#include <optional>

#include <gtest/gtest.h>

#include "core/app/LaunchAtLogin.h"
#include "core/config/Configuration.h"
#include "core/config/Defaults.h"
#include "core/config/ProcessArguments.h"
#include "core/platform/ModifierFlags.h"
#include "core/platform/NotificationCenter.h"
#include "core/shortcuts/KeyboardShortcuts.h"
#include "fakes/FakeAlerts.h"
#include "fakes/FakeHotKeyService.h"
#include "fakes/FakeStrings.h"
#include "shell/preferences/PreferencesContext.h"
#include "support/TempDir.h"
#include "widget/WidgetEvents.h"

namespace marbrel::testing {

// Settings in a file of their own, a desktop's hot keys in memory, English texts, and a keyboard
// whose keys type what a US layout types.
struct PreferencesFixture : ::testing::Test {
  TempDir dir;
  Defaults defaults{dir / "defaults.json"};
  ProcessArguments arguments;
  Configuration configuration{defaults, arguments};
  FakeHotKeyService hotKeys;
  NotificationCenter notifications;
  KeyboardShortcuts shortcuts{defaults, hotKeys, notifications};
  FakeStrings strings;
  LaunchAtLogin launchAtLogin{dir / "autostart" / LaunchAtLogin::kEntryName, LaunchAtLogin::runningProgram()};
  FakeAlerts alerts;
  std::size_t storedEntries = 0;  // unpinned entries in the history
  std::unique_ptr<PreferencesContext> context;

  PreferencesFixture() {
    for (const auto& [key, value] : {std::pair<const char*, Defaults::Value>{"historySize", 200},
                                     {"showInStatusBar", true}, {"hideTitle", true}, {"pasteByDefault", true},
                                     {"maxMenuItems", 0}, {"imageMaxHeight", 40.0}}) {
      defaults.registerDefault(key, value);
    }
    shortcuts.createName(Name::popup());
    context.reset(new PreferencesContext{configuration, launchAtLogin, shortcuts, notifications, strings,
                                         ShortcutText(usKeys), menuItems, alerts,
                                         [this] { return storedEntries; }});
  }

  // What another process reads from the settings file now.
  Defaults stored() const { return Defaults(dir / "defaults.json"); }

  static std::optional<std::string> usKeys(std::int64_t keyCode) {
    static const std::map<std::int64_t, std::string> keys{{0, "a"}, {9, "v"}, {12, "q"}, {45, "n"}};
    const auto found = keys.find(keyCode);
    return found == keys.end() ? std::nullopt : std::optional(found->second);
  }

  // The history menu's footer: Quit on Ctrl+Q.
  static std::vector<MenuKeyEquivalent> menuItems() { return {{"q", cocoa_flags::kCommand, "Quit"}}; }
};

}  // namespace marbrel::testing
