#pragma once

#include "core/platform/PreferencesWindow.h"

namespace marbrel {

// Counts the preferences window's showings.
class FakePreferencesWindow : public PreferencesWindow {
 public:
  void show() override { ++showCount; }
  int showCount = 0;
};

}  // namespace marbrel
