#pragma once

#include <optional>
#include <string>

#include "core/platform/AboutPresenter.h"
#include "core/platform/Application.h"
#include "core/platform/PreferencesWindow.h"
#include "core/platform/StatusItem.h"

namespace marbrel {

// The program's small desktop ports in memory: each records what the program asked of it.
struct FakeAboutPresenter : AboutPresenter {
  void openAbout() override { ++openCount; }
  int openCount = 0;
};

struct FakeApplication : Application {
  void stop() override { ++stopCount; }
  void activateIgnoringOtherApps() override {}
  int stopCount = 0;
};

struct FakePreferencesWindow : PreferencesWindow {
  void show() override { ++showCount; }
  int showCount = 0;
};

// A status-area icon; userSetsVisible() hides or shows it as a user would, and the observer hears.
struct FakeStatusItem : StatusItem {
  bool hasButton() const override { return true; }
  void setImage(const std::string&) override {}
  void setMenu(MenuModel*) override {}
  void setRemovalAllowed(bool) override {}
  bool isVisible() const override { return visible; }
  void setVisible(bool value) override { visible = value; }
  void setVisibilityObserver(VisibilityObserver newObserver) override { observer = std::move(newObserver); }
  std::optional<ScreenRect> buttonWindowFrame() const override { return std::nullopt; }
  void userSetsVisible(bool value) {
    visible = value;
    if (observer) observer(value);
  }

  bool visible = true;
  VisibilityObserver observer;
};

}  // namespace marbrel
