#include "core/menu/EntryPresentation.h"

#include <algorithm>
#include <cmath>
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

// The byte offset, at `from` or after, of the first place where a long text can be cut for the
// fuzzy search: between two ASCII characters of which the first is a letter, a digit, a space, a
// tab or a line feed. Such a place is a character boundary, and none of these characters is
// ignored by case mapping, so the lower-case form of the part before it (a final sigma included)
// is the same as in the whole text.
std::optional<std::size_t> fuzzyCut(std::string_view text, std::size_t from) {
  for (std::size_t i = std::max<std::size_t>(from, 1); i < text.size(); ++i) {
    const auto before = static_cast<unsigned char>(text[i - 1]);
    const auto after = static_cast<unsigned char>(text[i]);
    if (after >= 0x80) continue;
    const bool alphanumeric = (before >= '0' && before <= '9') || (before >= 'a' && before <= 'z') ||
                              (before >= 'A' && before <= 'Z');
    if (alphanumeric || before == ' ' || before == '\t' || before == '\n') return i;
  }
  return std::nullopt;
}

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
  title_ = std::make_shared<const std::string>(
      isFile ? row_text::fileTitle(value_, kShowMaxLength, strings.localized(kFileListKey))
             : row_text::textTitle(value_, kShowMaxLength));
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
  // Why a beginning can stand for the whole text. With a positive distance, a search reads no
  // character beyond location + threshold x distance + pattern length: the window of every error
  // level is at most threshold x distance characters wide, an exact occurrence further on cannot
  // lower the working threshold, and a text longer than the pattern never equals it. So a
  // beginning with more characters than that scores exactly as the whole text.
  const bool boundedWindow = fuse.distance() > 0 && fuse.location() >= 0 && !fuse.tokenize() &&
                             fuse.threshold() >= 0 && fuse.threshold() < 1e6;
  if (boundedWindow && value_.size() > kLongTextBytes) {
    if (!fuzzyPrefixTried_) {
      fuzzyPrefixTried_ = true;
      if (const auto cut = fuzzyCut(value_, kFuzzyPrefixBytes)) {
        fuzzyPrefix_ = fuse.prepare(std::string_view(value_).substr(0, *cut));
      }
    }
    if (fuzzyPrefix_) {
      const double reach = static_cast<double>(fuse.location()) +
                           std::ceil(fuse.threshold() * static_cast<double>(fuse.distance())) +
                           static_cast<double>(patternLength) + 2;
      if (static_cast<double>(fuzzyPrefix_->size()) > reach) return *fuzzyPrefix_;
    }
  }
  if (!fuzzyText_) fuzzyText_ = fuse.prepare(value_);
  return *fuzzyText_;
}

}  // namespace marbrel
