#include "core/app/GeneralPaneModel.h"

#include "core/app/LaunchAtLogin.h"
#include "core/config/Configuration.h"

namespace marbrel {

GeneralPaneModel::Controls GeneralPaneModel::controlsOnAppearance() const {
  Controls controls;
  controls.launchAtLogin = buttonState(launchAtLogin_.isEnabled());
  controls.fuzzySearch = buttonState(configuration_.fuzzySearch());
  controls.pasteAutomatically = buttonState(configuration_.pasteByDefault());
  controls.historySize = preference_sliders::historySize.clamp(configuration_.historySize());
  controls.sortByTag = preference_tags::sortByTag(configuration_.sortBy());
  return controls;
}

ButtonState GeneralPaneModel::launchAtLoginChanged(ButtonState state) {
  launchAtLogin_.setEnabled(state == ButtonState::on);
  // A refused change must not leave the box claiming it happened.
  return buttonState(launchAtLogin_.isEnabled());
}

void GeneralPaneModel::fuzzySearchChanged(ButtonState state) {
  configuration_.setFuzzySearch(state == ButtonState::on);
}

void GeneralPaneModel::pasteAutomaticallyChanged(ButtonState state) {
  configuration_.setPasteByDefault(state == ButtonState::on);
}

void GeneralPaneModel::historySizeChanged(std::int64_t value) { configuration_.setHistorySize(value); }

void GeneralPaneModel::sortByChanged(int tag) { configuration_.setSortBy(preference_tags::sortByForTag(tag)); }

}  // namespace marbrel
