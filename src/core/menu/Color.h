#pragma once

#include <optional>
#include <string_view>

namespace marbrel {

// An RGB colour with alpha, each component in 0...1, as a colour-code title shows it.
struct Color {
  double red = 0;
  double green = 0;
  double blue = 0;
  double alpha = 1;

  bool operator==(const Color&) const = default;
};

// Reads a colour code: an optional "#" followed by exactly 3 (RGB), 4 (RGBA), 6 (RRGGBB) or 8
// (RRGGBBAA) hexadecimal digits. `alpha`, when given, replaces the code's own alpha. Nothing for
// any other text.
std::optional<Color> colorFromHex(std::string_view text, std::optional<double> alpha = std::nullopt);

}  // namespace marbrel
