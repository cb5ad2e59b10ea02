#pragma once

#include <cstdint>

#include "core/app/PreferenceControls.h"

namespace marbrel {

class Configuration;
class LaunchAtLogin;

// The General preference pane without its drawing: what its controls show when the pane appears
// and what each of them writes the moment the user changes it. The shortcut recorder has its own
// model. There is no check-for-updates control: updates come with the system's packages.
class GeneralPaneModel {
 public:
  // What the controls show.
  struct Controls {
    ButtonState launchAtLogin = ButtonState::off;
    ButtonState fuzzySearch = ButtonState::off;
    ButtonState pasteAutomatically = ButtonState::off;
    // Already clamped to the slider's range.
    std::int64_t historySize = 0;
    int sortByTag = 0;
  };

  // Neither is owned; both outlive this object.
  GeneralPaneModel(Configuration& configuration, LaunchAtLogin& launchAtLogin)
      : configuration_(configuration), launchAtLogin_(launchAtLogin) {}

  // Reads the settings and the login entry now.
  Controls controlsOnAppearance() const;

  // Turns launch at login on (box on) or off (any other state) and answers what the box must show
  // afterwards: the state the desktop now has, which stays unchanged when the change failed.
  ButtonState launchAtLoginChanged(ButtonState state);
  void fuzzySearchChanged(ButtonState state);
  void pasteAutomaticallyChanged(ButtonState state);
  void historySizeChanged(std::int64_t value);
  void sortByChanged(int tag);

 private:
  Configuration& configuration_;
  LaunchAtLogin& launchAtLogin_;
};

}  // namespace marbrel
