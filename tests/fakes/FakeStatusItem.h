#pragma once

#include <optional>
#include <string>

#include "core/platform/StatusItem.h"

namespace marbrel {

// A status-area icon in memory: records what the program set, and lets a test hide or show it as
// a user would.
class FakeStatusItem : public StatusItem {
 public:
  bool hasButton() const override { return buttonPresent; }
  void setImage(const std::string& name) override { image = name; }
  void setMenu(MenuModel* newMenu) override { menu = newMenu; }
  void setRemovalAllowed(bool allowed) override { removalAllowed = allowed; }
  bool isVisible() const override { return visible; }
  void setVisible(bool value) override {
    visible = value;
    ++setVisibleCalls;
  }
  void setVisibilityObserver(VisibilityObserver newObserver) override { observer = std::move(newObserver); }
  std::optional<ScreenRect> buttonWindowFrame() const override { return windowFrame; }

  // Test control: the user hides or shows the icon; the observer hears of it.
  void userSetsVisible(bool value) {
    visible = value;
    if (observer) observer(value);
  }

  bool buttonPresent = true;
  std::optional<ScreenRect> windowFrame;
  std::string image;
  MenuModel* menu = nullptr;
  bool removalAllowed = false;
  bool visible = true;
  int setVisibleCalls = 0;
  VisibilityObserver observer;
};

}  // namespace marbrel
