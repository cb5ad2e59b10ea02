#pragma once

#include <any>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/platform/ModifierFlags.h"
#include "core/platform/NotificationCenter.h"
#include "core/shortcuts/KeyboardShortcuts.h"
#include "core/shortcuts/Name.h"
#include "core/shortcuts/Shortcut.h"

namespace marbrel::testing {

// The combinations the registry tests press: Command+Shift+V (the pop-up's default) and Command+B,
// by key position, and a second name beside the pop-up's.
constexpr std::int64_t kCmd = carbon_modifiers::kCommand;
constexpr std::int64_t kShift = carbon_modifiers::kShift;
constexpr std::int64_t kV = 9, kB = 11;
inline const Shortcut kCmdShiftV{kV, kCmd | kShift};
inline const Shortcut kCmdB{kB, kCmd};
inline const Name kOther{"other", std::nullopt};

// Appends the raw name of every shortcut-change notification posted from now on to `posted`.
inline void recordShortcutChanges(NotificationCenter& notifications, std::vector<std::string>& posted) {
  notifications.addObserver(KeyboardShortcuts::kShortcutByNameDidChange, [&posted](const Notification& n) {
    posted.push_back(std::any_cast<Name>(n.userInfo.at("name")).rawValue);
  });
}

}  // namespace marbrel::testing
