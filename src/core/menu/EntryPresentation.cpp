#include "core/menu/EntryPresentation.h"

#include <algorithm>
#include <initializer_list>
#include <string_view>

#include <unicode/uchar.h>
#include <unicode/unistr.h>

#include "core/menu/RowText.h"
#include "core/platform/PasteboardTypes.h"
#include "core/platform/Strings.h"

namespace marbrel {

namespace {

// The first content of the entry, in the entry's order, whose type is one of `types`.
std::shared_ptr<HistoryItemContent> lookup(const HistoryItem& entry,
                                           std::initializer_list<std::string_view> types) {
  for (const auto& content : entry.contents()) {
    if (!content || !content->type()) continue;
    for (const std::string_view type : types) {
      if (*content->type() == type) return content;
    }
  }
  return nullptr;
}

constexpr const char* kToolTipKey = "history_item_tooltip";
// The title of a file list: "{name} + {count} more".
constexpr const char* kFileListKey = "history_item_file_list";

}  // namespace

std::string foldCase(std::string_view text) {
  bool ascii = true;
  for (const char c : text) {
    if (static_cast<unsigned char>(c) >= 0x80) {
      ascii = false;
      break;
    }
  }
  if (ascii) {
    std::string folded(text);
    for (char& c : folded) {
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return folded;
  }
  icu::UnicodeString unicode = icu::UnicodeString::fromUTF8(
      icu::StringPiece(text.data(), static_cast<int32_t>(text.size())));
  unicode.foldCase(U_FOLD_CASE_DEFAULT);
  std::string folded;
  unicode.toUTF8String(folded);
  return folded;
}

EntryPresentation::EntryPresentation()
    : title_(std::make_shared<const std::string>()), toolTip_(title_) {}

std::shared_ptr<const EntryPresentation> EntryPresentation::make(const HistoryItem* entry,
                                                                 const ImageDecoder& images,
                                                                 const Strings& strings) {
  std::shared_ptr<EntryPresentation> presentation(new EntryPresentation());
  if (!entry) return presentation;
  namespace types = pasteboard_types;
  if (const auto image = lookup(*entry, {types::kTIFF, types::kPNG})) {
    presentation->loadImage(image, images, strings);
  } else if (const auto file = lookup(*entry, {types::kFileURL})) {
    presentation->loadString(file.get(), strings);
  } else {
    presentation->loadString(lookup(*entry, {types::kString}).get(), strings);
  }
  return presentation;
}

const HistoryItemContent* EntryPresentation::textContent(const HistoryItem& entry) {
  namespace types = pasteboard_types;
  if (lookup(entry, {types::kTIFF, types::kPNG})) return nullptr;
  if (const auto file = lookup(entry, {types::kFileURL})) return file.get();
  return lookup(entry, {types::kString}).get();
}

const HistoryItemContent* EntryPresentation::imageContent(const HistoryItem& entry) {
  return lookup(entry, {pasteboard_types::kTIFF, pasteboard_types::kPNG}).get();
}

std::shared_ptr<const EntryPresentation> EntryPresentation::empty() {
  static const std::shared_ptr<const EntryPresentation> nothing(new EntryPresentation());
  return nothing;
}

void EntryPresentation::loadImage(const std::shared_ptr<HistoryItemContent>& content,
                                  const ImageDecoder& images, const Strings& strings) {
  const auto& bytes = content->value();
  if (!bytes) return;
  const auto size = images.imageSize(*bytes, content->type().value_or(""));
  // The row refers to the content; the shell reads the bytes again when it draws the preview.
  content->releaseValue();
  if (!size || !(size->width > 0) || !(size->height > 0)) return;
  kind_ = Kind::image;
  imageSize_ = *size;
  imageContent_ = content;
  toolTip_ = std::make_shared<const std::string>(strings.localized(kToolTipKey));
}

void EntryPresentation::loadString(const HistoryItemContent* content, const Strings& strings) {
  if (!content) return;
  const auto& bytes = content->value();
  if (!bytes || !row_text::isValidUtf8(*bytes)) return;
  value_ = *bytes;
  content->releaseValue();  // the copy above is what rows and search read from now on
  const bool isFile = content->type() && *content->type() == pasteboard_types::kFileURL;
  kind_ = isFile ? Kind::file : Kind::text;
  if (isFile) {
    row_text::FileTitle parts = row_text::fileTitleParts(value_, kShowMaxLength, strings.localized(kFileListKey));
    fileNameAt_ = parts.nameAt;
    title_ = std::make_shared<const std::string>(std::move(parts.title));
  } else {
    title_ = std::make_shared<const std::string>(row_text::textTitle(value_, kShowMaxLength));
  }
  swatch_ = colorFromHex(*title_);
  std::string toolTip = row_text::shortened(value_, kToolTipMaxLength);
  toolTip += kToolTipSeparator;
  toolTip += strings.localized(kToolTipKey);
  toolTip_ = std::make_shared<const std::string>(std::move(toolTip));
}

const std::string& EntryPresentation::foldedValue() const {
  if (!folded_) folded_ = foldCase(value_);
  return *folded_;
}

const FuseText& EntryPresentation::fuzzyText(const Fuse& fuse, std::int64_t patternLength) const {
  const bool lowerCased = !fuse.isCaseSensitive();
  if (lowerCased != fuzzyLowerCased_) {
    fuzzyText_.reset();
    fuzzyPrefix_.reset();
    fuzzyPrefixTried_ = false;
    fuzzyLowerCased_ = lowerCased;
  }
  if (value_.size() > kLongTextBytes) {
    if (!fuzzyPrefixTried_) {
      fuzzyPrefixTried_ = true;
      if (const auto cut = FuseText::cutPoint(value_, kFuzzyPrefixBytes)) {
        fuzzyPrefix_ = fuse.prepare(std::string_view(value_).substr(0, *cut));
      }
    }
    if (fuzzyPrefix_ && fuse.prefixServes(fuzzyPrefix_->size(), patternLength)) return *fuzzyPrefix_;
  }
  if (!fuzzyText_) fuzzyText_ = fuse.prepare(value_);
  return *fuzzyText_;
}

}  // namespace marbrel
