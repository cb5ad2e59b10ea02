#pragma once

#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "core/app/AppDelegate.h"
#include "core/app/AppEnvironment.h"
#include "core/app/Marbrel.h"
#include "core/config/Configuration.h"
#include "core/config/Defaults.h"
#include "core/config/ProcessArguments.h"
#include "core/history/Clipboard.h"
#include "core/history/History.h"
#include "core/history/HistoryStore.h"
#include "core/keylayout/Sauce.h"
#include "core/menu/HistoryMenuItem.h"
#include "core/menu/Menu.h"
#include "core/menu/SearchHeader.h"
#include "core/menu/SearchHeaderItem.h"
#include "core/platform/NotificationCenter.h"
#include "core/shortcuts/KeyboardShortcuts.h"
#include "fakes/FakeAboutPresenter.h"
#include "fakes/FakeAlerts.h"
#include "fakes/FakeApplication.h"
#include "fakes/FakeHotKeyService.h"
#include "fakes/FakeImageDecoder.h"
#include "fakes/FakeKeySynthesizer.h"
#include "fakes/FakeKeyboardLayout.h"
#include "fakes/FakeMainQueue.h"
#include "fakes/FakeMenuPresenter.h"
#include "fakes/FakePasteboard.h"
#include "fakes/FakePreferencesWindow.h"
#include "fakes/FakeStatusItem.h"
#include "fakes/FakeStrings.h"
#include "support/MenuRows.h"

namespace marbrel::testing {

// Virtual key codes and Cocoa flags the application tests press.
namespace key {
inline constexpr std::uint16_t v = 9, returnKey = 36, deleteKey = 51, downArrow = 125;
inline constexpr std::uint64_t shift = 0x20000, option = 0x80000, command = 0x100000;
}  // namespace key

// The whole program's core over fakes of every port, with a virtual clock; launch() runs the
// delegate's launch as the platform would.
class AppFixture : public ::testing::Test {
 protected:
  static constexpr std::uint32_t kCarbonShiftCommand = 0x300;

  AppFixture() {
    keyboard.addSource("us");
    keyboard.setUSTexts("us");
    sauce = std::make_unique<Sauce>(keyboard, notifications);
    shortcuts = std::make_unique<KeyboardShortcuts>(defaults, hotKeys, notifications);
  }

  AppEnvironment environment() {
    return AppEnvironment{configuration, queue, pasteboard, keys, statusItem, presenter, alerts,
                          about, preferences, application, images, strings, *sauce, *shortcuts,
                          storeFile, log};
  }

  void launch() {
    delegate = std::make_unique<AppDelegate>(environment());
    delegate->applicationWillFinishLaunching();
    delegate->applicationDidFinishLaunching();
  }

  Marbrel& marbrel() const { return *delegate->marbrel(); }
  Menu& menu() const { return marbrel().menu(); }
  SearchHeader& header() const { return marbrel().header(); }

  // Another program copies `text`; the next tick records it.
  void copyElsewhere(const std::string& text) {
    pasteboard.copyText(text);
    queue.advance(1);
  }

  // The footer item carrying `tag`.
  MenuItem& footerItem(int tag) const { return *menu().itemWithTag(tag); }

  // The primaries' titles and key equivalents, top first.
  std::vector<std::string> shownTitles() const { return testing::shownRows(menu(), true); }
  std::vector<std::string> shownKeys() const { return testing::shownKeys(menu()); }

  std::ostringstream log;
  FakeMainQueue queue;
  Defaults defaults{""};
  ProcessArguments arguments;
  Configuration configuration{defaults, arguments};
  FakePasteboard pasteboard;
  FakeKeySynthesizer keys;
  FakeStatusItem statusItem;
  FakeMenuPresenter presenter;
  FakeAlerts alerts;
  FakeAboutPresenter about;
  FakePreferencesWindow preferences;
  FakeApplication application;
  FakeImageDecoder images;
  FakeStrings strings;
  FakeKeyboardLayout keyboard;
  NotificationCenter notifications;
  FakeHotKeyService hotKeys;
  std::unique_ptr<Sauce> sauce;
  std::unique_ptr<KeyboardShortcuts> shortcuts;
  std::filesystem::path storeFile;  // empty: the history stays in memory
  std::unique_ptr<AppDelegate> delegate;
};

}  // namespace marbrel::testing
