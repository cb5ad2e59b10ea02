#pragma once

#include <gtest/gtest.h>

#include <any>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/config/Defaults.h"
#include "core/platform/ModifierFlags.h"
#include "core/platform/NotificationCenter.h"
#include "core/shortcuts/KeyboardShortcuts.h"
#include "core/shortcuts/RecorderModel.h"
#include "fakes/FakeHotKeyService.h"
#include "support/TempDir.h"

namespace marbrel::testing {

// Carbon masks, Command+Shift+V (the pop-up's default), Command+B, and a name beside the pop-up's.
constexpr std::int64_t kCmd = carbon_modifiers::kCommand, kShift = carbon_modifiers::kShift;
inline const Shortcut kCmdShiftV{9, kCmd | kShift};
inline const Shortcut kCmdB{11, kCmd};
inline const Name kOther{"other", std::nullopt};

// The shortcut registry over a settings file and a fake hot-key service, the names it announces as
// changed, and on request a recorder of the pop-up's shortcut.
class ShortcutsTest : public ::testing::Test {
 protected:
  ShortcutsTest() {
    notifications.addObserver(KeyboardShortcuts::kShortcutByNameDidChange, [this](const Notification& n) {
      posted.push_back(std::any_cast<Name>(n.userInfo.at("name")).rawValue);
    });
  }
  void restart() { shortcuts = std::make_unique<KeyboardShortcuts>(defaults, service, notifications); }
  // Writes the settings file as another process does; the program reloads the file when it changes.
  void writeElsewhere(const std::string& key, const Defaults::Value& value) {
    Defaults(file).set(key, value);
    defaults.reload();
  }
  // Makes the pop-up's name and a recorder for it; the layout types a, v, b and q.
  RecorderModel& makeRecorder() {
    shortcuts->createName(Name::popup());
    const auto letters = [](std::int64_t code) -> std::optional<std::string> {
      const std::map<std::int64_t, std::string> typed{{0, "a"}, {9, "v"}, {11, "b"}, {12, "q"}};
      return typed.contains(code) ? std::optional(typed.at(code)) : std::nullopt;
    };
    recorder = std::make_unique<RecorderModel>(
        *shortcuts, notifications, Name::popup(), ShortcutText(letters), [this] { return menu; },
        [this](const std::optional<Shortcut>& shortcut) { changes.push_back(shortcut); });
    return *recorder;
  }
  void logPresses(const Name& name, const std::string& entry) {
    shortcuts->onKeyDown(name, [this, entry] { log.push_back(entry); });
  }

  TempDir dir;
  std::filesystem::path file = dir / "defaults.json";
  Defaults defaults{file};
  FakeHotKeyService service;
  NotificationCenter notifications;
  std::unique_ptr<KeyboardShortcuts> shortcuts = std::make_unique<KeyboardShortcuts>(defaults, service, notifications);
  std::vector<std::string> posted;
  std::vector<std::string> log;
  std::vector<MenuKeyEquivalent> menu;
  std::vector<std::optional<Shortcut>> changes;
  std::unique_ptr<RecorderModel> recorder;
};

}  // namespace marbrel::testing
