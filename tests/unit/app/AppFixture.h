#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "core/app/AppDelegate.h"
#include "core/app/AppEnvironment.h"
#include "core/app/Marbrel.h"
#include "core/history/Clipboard.h"
#include "core/history/History.h"
#include "core/menu/Menu.h"
#include "core/menu/SearchHeader.h"
#include "core/shortcuts/KeyboardShortcuts.h"
#include "fakes/FakeAlerts.h"
#include "fakes/FakeAppPorts.h"
#include "fakes/FakeHotKeyService.h"
#include "support/CoreFakes.h"

namespace marbrel::testing {

// The whole program's core over fakes of every port; launch() runs the delegate's launch as the
// platform would.
class AppFixture : public ::testing::Test, public CoreFakes {
 protected:
  static constexpr std::uint32_t kCarbonShiftCommand = 0x300;

  AppFixture() { shortcuts = std::make_unique<KeyboardShortcuts>(defaults, hotKeys, notifications); }

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

  // The primaries' titles, top first.
  std::vector<std::string> shownTitles() const { return testing::shownRows(menu(), true); }

  FakeStatusItem statusItem;
  FakeAlerts alerts;
  FakeAboutPresenter about;
  FakePreferencesWindow preferences;
  FakeApplication application;
  FakeHotKeyService hotKeys;
  std::unique_ptr<KeyboardShortcuts> shortcuts;
  std::filesystem::path storeFile;  // empty: the history stays in memory
  std::unique_ptr<AppDelegate> delegate;
};

}  // namespace marbrel::testing
