#pragma once

#include <cstdio>
#include <map>
#include <string>

#include "core/platform/ImageDecoder.h"

namespace marbrel {

// An image reader for tests. Bytes of the form "IMG <width>x<height>" (see `encode`) decode to that
// size; bytes registered with `setSize` decode to the registered size; anything else is no image.
class FakeImageDecoder : public ImageDecoder {
 public:
  std::optional<ImageSize> imageSize(std::string_view bytes, std::string_view) const override {
    if (const auto it = sizes_.find(bytes); it != sizes_.end()) return it->second;
    double width = 0, height = 0;
    char end = 0;
    if (std::sscanf(std::string(bytes).c_str(), "IMG %lfx%lf%c", &width, &height, &end) != 2) return std::nullopt;
    if (width <= 0 || height <= 0) return std::nullopt;
    return ImageSize{width, height};
  }

  static std::string encode(double width, double height) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "IMG %gx%g", width, height);
    return buffer;
  }
  void setSize(const std::string& bytes, ImageSize size) { sizes_[bytes] = size; }

 private:
  std::map<std::string, ImageSize, std::less<>> sizes_;
};

}  // namespace marbrel
