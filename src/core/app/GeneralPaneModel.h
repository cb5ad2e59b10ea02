#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

#include "core/app/PreferenceControls.h"

namespace marbrel {

class Alerts;
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
    // Already clamped to the control's range.
    std::int64_t historySize = 0;
    int sortByTag = 0;
  };

  // Counts the entries that a smaller history size would delete (the unpinned ones stored now).
  using StoredEntries = std::function<std::size_t()>;

  // None is owned; all outlive this object. `alerts` asks before the history shrinks.
  GeneralPaneModel(Configuration& configuration, LaunchAtLogin& launchAtLogin, Alerts& alerts,
                   StoredEntries storedEntries)
      : configuration_(configuration),
        launchAtLogin_(launchAtLogin),
        alerts_(alerts),
        storedEntries_(std::move(storedEntries)) {}

  // Reads the settings and the login entry now.
  Controls controlsOnAppearance() const;

  // Turns launch at login on (box on) or off (any other state) and answers what the box must show
  // afterwards: the state the desktop now has, which stays unchanged when the change failed.
  ButtonState launchAtLoginChanged(ButtonState state);
  void fuzzySearchChanged(ButtonState state);
  void pasteAutomaticallyChanged(ButtonState state);
  // Whether `value` as the history size would delete stored entries.
  bool historySizeDeletesEntries(std::int64_t value) const;
  // Writes `value` as the history size, but one that would delete stored entries only once the user
  // has agreed. Answers the size in force afterwards, which the control must show.
  std::int64_t historySizeChanged(std::int64_t value);
  void sortByChanged(int tag);

 private:
  Configuration& configuration_;
  LaunchAtLogin& launchAtLogin_;
  Alerts& alerts_;
  StoredEntries storedEntries_;
};

}  // namespace marbrel
