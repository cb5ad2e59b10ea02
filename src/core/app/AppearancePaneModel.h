#pragma once

#include <cstdint>

#include "core/app/PreferenceControls.h"

namespace marbrel {

class Configuration;

// The Appearance preference pane without its drawing: what its controls show when the pane appears
// and what each of them writes the moment the user changes it.
class AppearancePaneModel {
 public:
  // What the controls show.
  struct Controls {
    int popupAtTag = 1;
    int pinToTag = 1;
    // Both already clamped to their controls' ranges.
    std::int64_t imageHeight = 0;
    std::int64_t menuSize = 0;
    ButtonState showMenuIcon = ButtonState::on;
    ButtonState showSearchField = ButtonState::on;
    ButtonState showTitle = ButtonState::off;
    ButtonState showFooter = ButtonState::on;
  };

  // Not owned; outlives this object.
  explicit AppearancePaneModel(Configuration& configuration) : configuration_(configuration) {}

  // Reads the settings now.
  Controls controlsOnAppearance() const;

  void popupPositionChanged(int tag);
  void pinToChanged(int tag);
  void imageHeightChanged(std::int64_t value);
  void menuSizeChanged(std::int64_t value);
  // Mixed counts as off for the menu icon, and as shown (not off) for the three menu parts.
  void showMenuIconChanged(ButtonState state);
  void showSearchFieldChanged(ButtonState state);
  void showTitleChanged(ButtonState state);
  void showFooterChanged(ButtonState state);

 private:
  Configuration& configuration_;
};

}  // namespace marbrel
