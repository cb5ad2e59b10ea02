#pragma once

#include <map>
#include <memory>
#include <optional>

#include <QMessageBox>
#include <QTimer>

#include <gtest/gtest.h>

#include "core/app/LaunchAtLogin.h"
#include "core/config/Configuration.h"
#include "core/config/Defaults.h"
#include "core/config/ProcessArguments.h"
#include "core/platform/NotificationCenter.h"
#include "core/shortcuts/KeyboardShortcuts.h"
#include "core/platform/ModifierFlags.h"
#include "fakes/FakeAlerts.h"
#include "fakes/FakeHotKeyService.h"
#include "fakes/FakeStrings.h"
#include "shell/preferences/PreferencesContext.h"
#include "support/TempDir.h"
#include "widget/WidgetEvents.h"

namespace marbrel::testing {

// Answers the next modal message box that opens and remembers its text.
class AlertCatcher {
 public:
  AlertCatcher() {
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (!box) return;
      text_ = box->text();
      box->done(QMessageBox::Ok);
      timer_.stop();
    });
    timer_.start(5);
  }
  bool wait() { return processEventsUntil([this] { return text_.has_value(); }); }
  QString text() const { return text_.value_or(QString()); }

 private:
  QTimer timer_;
  std::optional<QString> text_;
};

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
    defaults.registerDefault("historySize", 200);
    defaults.registerDefault("showInStatusBar", true);
    defaults.registerDefault("hideTitle", true);
    defaults.registerDefault("pasteByDefault", true);
    defaults.registerDefault("maxMenuItems", 0);
    defaults.registerDefault("imageMaxHeight", 40.0);
    shortcuts.createName(Name::popup());
    context.reset(new PreferencesContext{configuration, launchAtLogin, shortcuts, notifications, strings,
                                         ShortcutText(usKeys), [] { return menuItems(); }, alerts,
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
