#include "core/app/PreferenceControls.h"

#include <algorithm>

namespace marbrel {

std::int64_t NumberSetting::clamp(std::int64_t stored) const { return std::clamp(stored, minimum, maximum); }

std::string sliderLabelText(std::string_view labelText, std::string_view placeholder, std::int64_t value) {
  std::string text(labelText);
  if (placeholder.empty()) return text;
  const auto at = text.find(placeholder);
  if (at != std::string::npos) text.replace(at, placeholder.size(), std::to_string(value));
  return text;
}

namespace preference_tags {

int sortByTag(std::string_view sortBy) {
  if (sortBy == "numberOfCopies") return 2;
  if (sortBy == "firstCopiedAt") return 1;
  return 0;
}

std::string sortByForTag(int tag) {
  switch (tag) {
    case 1: return "firstCopiedAt";
    case 2: return "numberOfCopies";
    default: return "lastCopiedAt";
  }
}

int popupPositionTag(std::string_view popupPosition) {
  if (popupPosition == "cursor") return 0;
  if (popupPosition == "statusItem") return 2;
  return 1;
}

std::string popupPositionForTag(int tag) {
  switch (tag) {
    case 0: return "cursor";
    case 2: return "statusItem";
    default: return "center";
  }
}

int pinToTag(std::string_view pinTo) { return pinTo == "top" ? 0 : 1; }

std::string pinToForTag(int tag) { return tag == 0 ? "top" : "bottom"; }

}  // namespace preference_tags

}  // namespace marbrel
