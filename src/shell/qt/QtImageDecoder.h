#pragma once

#include "core/platform/ImageDecoder.h"

namespace marbrel {

// Reads image sizes with QImageReader, from the image's header where the format allows.
class QtImageDecoder : public ImageDecoder {
 public:
  std::optional<ImageSize> imageSize(std::string_view bytes, std::string_view type) const override;
};

}  // namespace marbrel
