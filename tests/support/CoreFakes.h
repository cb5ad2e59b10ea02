#pragma once

#include <cstdint>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "core/config/Configuration.h"
#include "core/config/Defaults.h"
#include "core/config/ProcessArguments.h"
#include "core/keylayout/Sauce.h"
#include "core/menu/HistoryMenuItem.h"
#include "core/menu/MenuModel.h"
#include "core/platform/NotificationCenter.h"
#include "fakes/FakeImageDecoder.h"
#include "fakes/FakeKeySynthesizer.h"
#include "fakes/FakeKeyboardLayout.h"
#include "fakes/FakeMainQueue.h"
#include "fakes/FakeMenuPresenter.h"
#include "fakes/FakePasteboard.h"
#include "fakes/FakeStrings.h"

namespace marbrel::testing {

// Virtual key codes of the keys the tests press (the ANSI layout's codes), and the modifier flags.
namespace keycode {
inline constexpr std::uint16_t a = 0, h = 4, c = 8, v = 9, b = 11, q = 12, w = 13, e = 14, p = 35,
                               l = 37, u = 32, n = 45, x = 7, comma = 43, returnKey = 36, tab = 48,
                               space = 49, deleteKey = 51, escape = 53, keypadEnter = 76,
                               forwardDelete = 117, home = 115, f1 = 122, leftArrow = 123,
                               downArrow = 125, upArrow = 126;
}  // namespace keycode

namespace flags {
inline constexpr std::uint64_t capsLock = 0x10000, shift = 0x20000, control = 0x40000,
                               option = 0x80000, command = 0x100000;
}  // namespace flags

// The fakes of the ports the menu and the whole program stand on, with a virtual clock, settings in
// memory and a US keyboard: the one set the menu and application fixtures share.
struct CoreFakes {
  CoreFakes() {
    keyboard.addSource("us");
    keyboard.setUSTexts("us");
    sauce = std::make_unique<Sauce>(keyboard, notifications);
  }

  std::ostringstream log;
  FakeMainQueue queue;
  Defaults defaults{""};
  ProcessArguments arguments;
  Configuration configuration{defaults, arguments};
  FakePasteboard pasteboard;
  FakeKeySynthesizer keys;
  FakeImageDecoder images;
  FakeStrings strings;
  FakeKeyboardLayout keyboard;
  NotificationCenter notifications;
  FakeMenuPresenter presenter;
  std::unique_ptr<Sauce> sauce;
};

// The history rows a menu shows, top first: each title, with ' after an alternate's.
inline std::vector<std::string> shownRows(const MenuModel& menu, bool primariesOnly = false) {
  std::vector<std::string> rows;
  for (const auto& item : menu.items()) {
    const auto row = std::dynamic_pointer_cast<HistoryMenuItem>(item);
    if (row && !(primariesOnly && row->isAlternate())) rows.push_back(row->title() + (row->isAlternate() ? "'" : ""));
  }
  return rows;
}

// The key equivalents of the history rows' primaries, top first.
inline std::vector<std::string> shownKeys(const MenuModel& menu) {
  std::vector<std::string> keys;
  for (const auto& item : menu.items()) {
    const auto row = std::dynamic_pointer_cast<HistoryMenuItem>(item);
    if (row && !row->isAlternate()) keys.push_back(row->keyEquivalent());
  }
  return keys;
}

}  // namespace marbrel::testing
