#pragma once

#include <memory>
#include <string>
#include <variant>

#include "core/menu/Color.h"

namespace marbrel {

class HistoryItemContent;

// What a menu item shows beside its title, as data the shell turns into pixels.

// No image.
struct NoImage {};

// A preview of an image stored in the history, drawn at `width` x `height` points. The shell reads
// the bytes from `content` when it draws the row.
struct ThumbnailImage {
  std::shared_ptr<const HistoryItemContent> content;
  double width = 0;
  double height = 0;
};

// A sample of a colour filling a `width` x `height` square.
struct SwatchImage {
  Color color;
  double width = 10;
  double height = 10;
};

// An image shipped with the program, by name ("PinImage").
struct NamedImage {
  std::string name;
};

using MenuImage = std::variant<NoImage, ThumbnailImage, SwatchImage, NamedImage>;

// The image of the pin shown beside a pinned row.
inline constexpr const char* kPinImageName = "PinImage";

}  // namespace marbrel
