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
  // The content whose text a row shows and search reads: none for an image entry (one with a TIFF
  // or PNG content), else the first file URL, else the first plain text.
  static const HistoryItemContent* textContent(const HistoryItem& entry);
  // The content of an image entry to preview (its first TIFF or PNG), or none.
  static const HistoryItemContent* imageContent(const HistoryItem& entry);

  Kind kind() const { return kind_; }
  // Empty for an image row and for a row that could not be read.
  const std::string& title() const { return *title_; }
  const std::shared_ptr<const std::string>& sharedTitle() const { return title_; }
  // Empty for none.
  const std::string& toolTip() const { return *toolTip_; }
  const std::shared_ptr<const std::string>& sharedToolTip() const { return toolTip_; }
  // The entry's whole text (a file row's whole URL text); empty for an image.
  const std::string& value() const { return value_; }
  // Where a file row's title shows the file's name (npos when it does not); 0 for other rows.
  std::size_t fileNameAt() const { return fileNameAt_; }
  // The sample shown beside a title that is a colour code.
  const std::optional<Color>& swatch() const { return swatch_; }
  // The image to preview and its pixel size (kind image only).
  const std::shared_ptr<const HistoryItemContent>& imageContent() const { return imageContent_; }
  const ImageSize& imageSize() const { return imageSize_; }

  // `value` case-folded for the plain search.
  const std::string& foldedValue() const;
  // `value` prepared for `fuse`, made the first time and kept for engines of the same case rule.
  // For a long text and a pattern of `patternLength` characters this may be only the text's
  // beginning, when that is sure to score exactly as the whole text does (see the source).
  const FuseText& fuzzyText(const Fuse& fuse, std::int64_t patternLength) const;

  // Texts longer than this are searched by their beginning when that gives the same score, which
  // is made from about the first `kFuzzyPrefixBytes` bytes.
  static constexpr std::size_t kLongTextBytes = 64 * 1024;
  static constexpr std::size_t kFuzzyPrefixBytes = 16 * 1024;

 private:
  EntryPresentation();
  void loadImage(const std::shared_ptr<HistoryItemContent>& content, const ImageDecoder& images,
                 const Strings& strings);
  void loadString(const HistoryItemContent* content, const Strings& strings);

  Kind kind_ = Kind::none;
  std::shared_ptr<const std::string> title_;
  std::shared_ptr<const std::string> toolTip_;
  std::string value_;
  std::size_t fileNameAt_ = 0;
  std::optional<Color> swatch_;
  std::shared_ptr<const HistoryItemContent> imageContent_;
  ImageSize imageSize_;

  mutable std::optional<std::string> folded_;
  mutable std::optional<FuseText> fuzzyText_;
  mutable std::optional<FuseText> fuzzyPrefix_;
  mutable bool fuzzyPrefixTried_ = false;
  mutable bool fuzzyLowerCased_ = true;
};

// Unicode full case folding of UTF-8 text, the comparison form of the plain search.
std::string foldCase(std::string_view text);

}  // namespace marbrel
