#include "fakes/FakeImageDecoder.h"

#include <cstdio>

namespace marbrel {

std::optional<ImageSize> FakeImageDecoder::imageSize(std::string_view bytes, std::string_view) const {
  ++calls_;
  if (const auto it = sizes_.find(bytes); it != sizes_.end()) return it->second;
  const std::string text(bytes);
  double width = 0;
  double height = 0;
  char end = 0;
  if (std::sscanf(text.c_str(), "IMG %lfx%lf%c", &width, &height, &end) != 2) return std::nullopt;
  if (width <= 0 || height <= 0) return std::nullopt;
  return ImageSize{width, height};
}

std::string FakeImageDecoder::encode(double width, double height) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "IMG %gx%g", width, height);
  return buffer;
}

}  // namespace marbrel
