#pragma once

#include <optional>
#include <string_view>

namespace marbrel {

// The pixel size of an image, as the platform's image reader reports it.
struct ImageSize {
  double width = 0;
  double height = 0;
};

// Reads what the core needs to know about encoded images (PNG, TIFF, ...) stored in the history.
class ImageDecoder {
 public:
  virtual ~ImageDecoder() = default;

  // The size of the image that `bytes` encode, read without decoding the pixels where the format
  // allows. `type` is the clipboard type the bytes were stored under ("image/png"), a hint only.
  // Nothing when the bytes do not make an image of a positive size.
  virtual std::optional<ImageSize> imageSize(std::string_view bytes, std::string_view type) const = 0;
};

}  // namespace marbrel
