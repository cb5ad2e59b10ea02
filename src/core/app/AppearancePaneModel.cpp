#include "core/app/AppearancePaneModel.h"

#include "core/config/Configuration.h"

namespace marbrel {

AppearancePaneModel::Controls AppearancePaneModel::controlsOnAppearance() const {
  Controls controls;
  controls.popupAtTag = preference_tags::popupPositionTag(configuration_.popupPosition());
  controls.pinToTag = preference_tags::pinToTag(configuration_.pinTo());
  controls.imageHeight = preference_ranges::imageHeight.clamp(configuration_.imageMaxHeight());
  controls.menuSize = preference_ranges::menuSize.clamp(configuration_.maxMenuItems());
  controls.showMenuIcon = buttonState(configuration_.showInStatusBar());
  controls.showSearchField = buttonState(!configuration_.hideSearch());
  controls.showTitle = buttonState(!configuration_.hideTitle());
  controls.showFooter = buttonState(!configuration_.hideFooter());
  return controls;
}

void AppearancePaneModel::popupPositionChanged(int tag) {
  configuration_.setPopupPosition(preference_tags::popupPositionForTag(tag));
}

void AppearancePaneModel::pinToChanged(int tag) { configuration_.setPinTo(preference_tags::pinToForTag(tag)); }

void AppearancePaneModel::imageHeightChanged(std::int64_t value) { configuration_.setImageMaxHeight(value); }

void AppearancePaneModel::menuSizeChanged(std::int64_t value) { configuration_.setMaxMenuItems(value); }

void AppearancePaneModel::showMenuIconChanged(ButtonState state) {
  configuration_.setShowInStatusBar(state == ButtonState::on);
}

void AppearancePaneModel::showSearchFieldChanged(ButtonState state) {
  configuration_.setHideSearch(state == ButtonState::off);
}

void AppearancePaneModel::showTitleChanged(ButtonState state) {
  configuration_.setHideTitle(state == ButtonState::off);
}

void AppearancePaneModel::showFooterChanged(ButtonState state) {
  configuration_.setHideFooter(state == ButtonState::off);
}

}  // namespace marbrel
