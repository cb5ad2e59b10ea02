#include "core/app/GeneralPaneModel.h"

#include <algorithm>
#include <string>

#include "core/app/LaunchAtLogin.h"
#include "core/config/Configuration.h"
#include "core/platform/Alerts.h"

namespace marbrel {

GeneralPaneModel::Controls GeneralPaneModel::controlsOnAppearance() const {
  Controls controls;
  controls.launchAtLogin = buttonState(launchAtLogin_.isEnabled());
  controls.fuzzySearch = buttonState(configuration_.fuzzySearch());
  controls.pasteAutomatically = buttonState(configuration_.pasteByDefault());
  controls.historySize = preference_ranges::historySize.clamp(configuration_.historySize());
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

bool GeneralPaneModel::historySizeDeletesEntries(std::int64_t value) const {
  const std::size_t stored = storedEntries_ ? storedEntries_() : 0;
  return value < 0 || static_cast<std::uint64_t>(value) < stored;
}

std::int64_t GeneralPaneModel::historySizeChanged(std::int64_t value) {
  if (historySizeDeletesEntries(value)) {
    // Trimming to the new size deletes the oldest unpinned entries for good: ask first.
    const std::size_t stored = storedEntries_();
    const std::int64_t kept = std::max<std::int64_t>(value, 0);
    Alerts::Alert alert{"history_size_shrink_confirm", "history_size_shrink_confirm_text",
                        Alerts::Style::warning, {"cancel", "history_size_shrink_delete"},
                        {std::to_string(stored), std::to_string(kept),
                         std::to_string(stored - static_cast<std::size_t>(kept))}};
    if (alerts_.runModal(alert) != Alerts::kSecondButtonReturn) return configuration_.historySize();
  }
  configuration_.setHistorySize(value);
  return value;
}

void GeneralPaneModel::sortByChanged(int tag) { configuration_.setSortBy(preference_tags::sortByForTag(tag)); }

}  // namespace marbrel
