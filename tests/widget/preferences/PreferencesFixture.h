#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

#include <QApplication>
#include <QKeyEvent>
#include <QMessageBox>
#include <QString>
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
#include "support/QtEvents.h"
#include "support/TempDir.h"

namespace marbrel::testing {

// Sends one key press to `target`, as the window system would deliver it.
inline void pressKey(QWidget* target, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier,
                     const QString& text = {}, quint32 nativeScanCode = 0) {
  QKeyEvent override(QEvent::ShortcutOverride, key, modifiers, nativeScanCode, 0, 0, text);
  QApplication::sendEvent(target, &override);
  QKeyEvent press(QEvent::KeyPress, key, modifiers, nativeScanCode, 0, 0, text);
  QApplication::sendEvent(target, &press);
  QKeyEvent release(QEvent::KeyRelease, key, modifiers, nativeScanCode, 0, 0, text);
  QApplication::sendEvent(target, &release);
}

// Shows `window` and waits until it is the active window, so that focus changes are delivered.
inline bool activate(QWidget& window) {
  window.show();
  window.raise();
  window.activateWindow();
  return processEventsUntil([&] { return window.isActiveWindow(); });
}

// Answers the next modal message box that opens and remembers its texts.
class AlertCatcher {
 public:
  AlertCatcher() {
    timer_.setInterval(5);
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (!box) return;
      text_ = box->text();
      informative_ = box->informativeText();
      box->done(QMessageBox::Ok);
      timer_.stop();
    });
    timer_.start();
  }
  bool caught() const { return text_.has_value(); }
  bool wait() { return processEventsUntil([this] { return caught(); }); }
  QString text() const { return text_.value_or(QString()); }
  QString informative() const { return informative_; }

 private:
  QTimer timer_;
  std::optional<QString> text_;
  QString informative_;
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
    switch (keyCode) {
      case 0: return "a";
      case 9: return "v";
      case 12: return "q";
      case 45: return "n";
      default: return std::nullopt;
    }
  }

  // The history menu's footer: Quit on Ctrl+Q.
  static std::vector<MenuKeyEquivalent> menuItems() { return {{"q", cocoa_flags::kCommand, "Quit"}}; }
};

}  // namespace marbrel::testing
