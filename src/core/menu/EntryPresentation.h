#pragma once

#include <memory>
#include <optional>
#include <string>

#include "core/fuzzy/Fuse.h"
#include "core/history/HistoryItem.h"
#include "core/menu/Color.h"
#include "core/platform/ImageDecoder.h"

namespace marbrel {

class Strings;

// What a history row shows for one entry, worked out once from the entry's contents (which never
// change) and shared by both rows of its pair and across menu rebuilds: the title, the tooltip,
// the text that search sees, the colour sample or the image to preview. The forms of the text
// that the two search strategies read are made on first use and kept.
class EntryPresentation {
 public:
  enum class Kind { none, text, file, image };

  static constexpr std::size_t kShowMaxLength = 50;
  static constexpr std::size_t kToolTipMaxLength = 5000;
  // Between the text and the explanation in a text row's tooltip.
  static constexpr const char* kToolTipSeparator = "\n \n\n";

  // Reads the entry's contents: an image (TIFF or PNG) first, else a file URL, else plain text.
  static std::shared_ptr<const EntryPresentation> make(const HistoryItem* entry,
                                                       const ImageDecoder& images,
                                                       const Strings& strings);
  // The presentation of a row that shows nothing.
  static std::shared_ptr<const EntryPresentation> empty();

  Kind kind() const { return kind_; }
  // Empty for an image row and for a row that could not be read.
  const std::string& title() const { return title_; }
  // Empty for none.
  const std::string& toolTip() const { return toolTip_; }
  // The entry's whole text (a file row's whole URL text); empty for an image.
  const std::string& value() const { return value_; }
  // The sample shown beside a title that is a colour code.
  const std::optional<Color>& swatch() const { return swatch_; }
  // The image to preview and its pixel size (kind image only).
  const std::shared_ptr<const HistoryItemContent>& imageContent() const { return imageContent_; }
  const ImageSize& imageSize() const { return imageSize_; }

  // `value` case-folded for the plain search.
  const std::string& foldedValue() const;
  // `value` prepared for `fuse`, made the first time and kept for engines of the same case rule.
  const FuseText& fuzzyText(const Fuse& fuse) const;

 private:
  EntryPresentation() = default;
  void loadImage(const std::shared_ptr<HistoryItemContent>& content, const ImageDecoder& images,
                 const Strings& strings);
  void loadString(const HistoryItemContent* content, const Strings& strings);

  Kind kind_ = Kind::none;
  std::string title_;
  std::string toolTip_;
  std::string value_;
  std::optional<Color> swatch_;
  std::shared_ptr<const HistoryItemContent> imageContent_;
  ImageSize imageSize_;

  mutable std::optional<std::string> folded_;
  mutable std::optional<FuseText> fuzzyText_;
};

// Unicode full case folding of UTF-8 text, the comparison form of the plain search.
std::string foldCase(std::string_view text);

}  // namespace marbrel
