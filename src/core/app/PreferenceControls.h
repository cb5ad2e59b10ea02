#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace marbrel {

// What the preference panes' controls stand for: the check box states, the number controls with
// their ranges and text placeholders, and the pop-up items' tags with the setting values they write.

// A check box: ticked, unticked, or mixed (neither).
enum class ButtonState { off = 0, on = 1, mixed = -1 };

inline ButtonState buttonState(bool on) { return on ? ButtonState::on : ButtonState::off; }

// A number control (spin box or slider) bound to an integer setting, and the placeholder its text
// holds for the value.
struct NumberSetting {
  const char* key;
  const char* placeholder;
  std::int64_t minimum;
  std::int64_t maximum;

  // The value the control shows for a stored one: stored values outside the range are clamped.
  std::int64_t clamp(std::int64_t stored) const;
};

namespace preference_ranges {
// Long histories are common; the store keeps tens of thousands of entries fast.
inline constexpr NumberSetting historySize{"historySize", "{historySize}", 1, 10000};
inline constexpr NumberSetting imageHeight{"imageMaxHeight", "{imageHeight}", 10, 200};
// 0 shows every entry.
inline constexpr NumberSetting menuSize{"maxMenuItems", "{menuSize}", 0, 1000};
}  // namespace preference_ranges

// The label's text for a slider value: `labelText` with the first occurrence of the placeholder
// replaced by the value in decimal. A text without the placeholder is returned unchanged.
std::string sliderLabelText(std::string_view labelText, std::string_view placeholder, std::int64_t value);

// The pop-up items' tags. Showing selects the tag for the stored value (unknown values select the
// setting's fallback); choosing an item writes the value for its tag (unknown tags write the
// fallback).
namespace preference_tags {
// 0 "lastCopiedAt", 1 "firstCopiedAt", 2 "numberOfCopies".
int sortByTag(std::string_view sortBy);
std::string sortByForTag(int tag);
// 0 "cursor", 1 "center", 2 "statusItem".
int popupPositionTag(std::string_view popupPosition);
std::string popupPositionForTag(int tag);
// 0 "top", 1 "bottom".
int pinToTag(std::string_view pinTo);
std::string pinToForTag(int tag);
}  // namespace preference_tags

}  // namespace marbrel
