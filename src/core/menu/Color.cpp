#include "core/menu/Color.h"

#include <cstdint>

namespace marbrel {

namespace {

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

double nibble(std::uint32_t x) { return static_cast<double>(x & 0xF) * 17.0 / 255.0; }
double byte(std::uint32_t x) { return static_cast<double>(x & 0xFF) / 255.0; }

}  // namespace

std::optional<Color> colorFromHex(std::string_view text, std::optional<double> alpha) {
  if (!text.empty() && text.front() == '#') text.remove_prefix(1);
  if (text.empty() || text.size() > 8) return std::nullopt;
  std::uint32_t v = 0;
  for (const char c : text) {
    const int digit = hexDigit(c);
    if (digit < 0) return std::nullopt;
    v = (v << 4) | static_cast<std::uint32_t>(digit);
  }
  Color color;
  switch (text.size()) {
    case 3:
      color = {nibble(v >> 8), nibble(v >> 4), nibble(v), 1.0};
      break;
    case 4:
      color = {nibble(v >> 12), nibble(v >> 8), nibble(v >> 4), nibble(v)};
      break;
    case 6:
      color = {byte(v >> 16), byte(v >> 8), byte(v), 1.0};
      break;
    case 8:
      color = {byte(v >> 24), byte(v >> 16), byte(v >> 8), byte(v)};
      break;
    default:
      return std::nullopt;
  }
  if (alpha) color.alpha = *alpha;
  return color;
}

}  // namespace marbrel
