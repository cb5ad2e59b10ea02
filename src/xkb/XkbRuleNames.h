#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace marbrel {

// The names an XKB keymap is compiled from (rules, model, layout, variant, options), with the
// defaults of a PC keyboard under the evdev driver.
struct XkbRuleNames {
  std::string rules = "evdev";
  std::string model = "pc105";
  std::string layout = "us";
  std::string variant;
  std::string options;

  // Reads "LAYOUT", "LAYOUT(VARIANT)" or a comma-separated list of them ("us,de(nodeadkeys)") into
  // the layout and variant names. Nothing when the text is not of that form.
  static std::optional<XkbRuleNames> fromLayoutText(std::string_view text);

  // The layout text back: "us(dvorak)", "us,de(nodeadkeys)".
  std::string layoutText() const;
};

}  // namespace marbrel
