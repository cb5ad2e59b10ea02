#include "FuzzTarget.h"
#include "core/menu/Color.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using marbrel::fuzz::require;
  const auto color = marbrel::colorFromHex(marbrel::fuzz::asText(data, size));
  if (color) {
    for (double c : {color->red, color->green, color->blue, color->alpha}) {
      require(c >= 0.0 && c <= 1.0, "colour components lie in 0...1");
    }
  }
  return 0;
}
