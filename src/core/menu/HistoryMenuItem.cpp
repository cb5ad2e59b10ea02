#include "core/menu/HistoryMenuItem.h"

#include "core/config/Configuration.h"

namespace marbrel {

HistoryMenuItem::HistoryMenuItem(HistoryItemPtr entry, Callback onSelected,
                                 std::shared_ptr<const EntryPresentation> presentation,
                                 double imageMaxHeight)
    : entry_(std::move(entry)), presentation_(std::move(presentation)) {
  if (!presentation_) presentation_ = EntryPresentation::empty();
  onSelected_ = std::move(onSelected);
  setAction([this](MenuItem&) { onSelect(); });
  setOnStateImage(NamedImage{kPinImageName});
  if (!presentation_->title().empty()) setSharedTitle(presentation_->sharedTitle());
  if (!presentation_->toolTip().empty()) setSharedToolTip(presentation_->sharedToolTip());
  if (presentation_->kind() == EntryPresentation::Kind::image) {
    const ImageSize size = thumbnailSize(presentation_->imageSize(), imageMaxHeight);
    setImage(ThumbnailImage{presentation_->imageContent(), size.width, size.height});
  } else if (presentation_->swatch()) {
    setImage(SwatchImage{*presentation_->swatch()});
  }
  if (entry_ && entry_->pin()) {
    pinned_ = true;
    setKeyEquivalent(*entry_->pin());
    setState(State::on);
  }
}

void HistoryMenuItem::registerDefaults(Configuration& configuration) {
  configuration.defaults().registerDefault(Configuration::Keys::imageMaxHeight,
                                           Defaults::Value(kDefaultImageMaxHeight));
}

std::shared_ptr<HistoryMenuItem> HistoryMenuItem::make(HistoryItemPtr entry, Callback onSelected,
                                                       Configuration& configuration,
                                                       const ImageDecoder& images,
                                                       const Strings& strings) {
  registerDefaults(configuration);
  auto presentation = EntryPresentation::make(entry.get(), images, strings);
  return std::make_shared<HistoryMenuItem>(std::move(entry), std::move(onSelected),
                                           std::move(presentation),
                                           static_cast<double>(configuration.imageMaxHeight()));
}

ImageSize HistoryMenuItem::thumbnailSize(ImageSize pixels, double maxHeight) {
  ImageSize size = pixels;
  if (size.width > kImageMaxWidth) {
    const double ratio = size.width / kImageMaxWidth;
    size = {kImageMaxWidth, size.height / ratio};
  }
  // A negative limit (a hand-written setting) would give a negative size; no preview then.
  if (maxHeight < 0) maxHeight = 0;
  if (size.height > maxHeight) {
    const double ratio = size.height / maxHeight;
    size = {size.width / ratio, maxHeight};
  }
  return size;
}

void HistoryMenuItem::addOnSelected(Callback callback) {
  if (!callback) return;
  if (!onSelected_ && moreOnSelected_.empty()) {
    onSelected_ = std::move(callback);
  } else {
    moreOnSelected_.push_back(std::move(callback));
  }
}

void HistoryMenuItem::onSelect() {
  // A callback may drop the last other reference to this row; run from a copy of the list.
  const Callback first = onSelected_;
  const auto more = moreOnSelected_;
  if (first) first(*this);
  for (const auto& callback : more) callback(*this);
}

}  // namespace marbrel
