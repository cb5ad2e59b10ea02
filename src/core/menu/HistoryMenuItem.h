#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/history/HistoryItem.h"
#include "core/menu/EntryPresentation.h"
#include "core/menu/MenuItem.h"

namespace marbrel {

class Configuration;

// One row of the history menu showing one entry: a shortened text or file name, an image preview
// or a colour sample, the pin, and the callbacks run when the row is chosen.
class HistoryMenuItem : public MenuItem {
 public:
  using Callback = std::function<void(HistoryMenuItem&)>;

  static constexpr double kImageMaxWidth = 340.0;
  static constexpr double kDefaultImageMaxHeight = 40.0;

  // A row for `entry` (may be null: an empty row) showing `presentation`, which must have been made
  // from the same entry. `imageMaxHeight` bounds an image preview.
  HistoryMenuItem(HistoryItemPtr entry, Callback onSelected,
                  std::shared_ptr<const EntryPresentation> presentation, double imageMaxHeight);

  // Registers the default of "imageMaxHeight" (40.0) and builds a row, reading the entry now.
  static std::shared_ptr<HistoryMenuItem> make(HistoryItemPtr entry, Callback onSelected,
                                               Configuration& configuration,
                                               const ImageDecoder& images, const Strings& strings);
  static void registerDefaults(Configuration& configuration);

  // The size at which an image of `pixels` is previewed: no wider than 340, then no higher than
  // `maxHeight`, keeping the aspect ratio and never enlarging.
  static ImageSize thumbnailSize(ImageSize pixels, double maxHeight);

  const HistoryItemPtr& item() const { return entry_; }
  // The text that search sees: the entry's whole text or URL text; empty for an image.
  const std::string& value() const { return presentation_->value(); }
  const EntryPresentation& presentation() const { return *presentation_; }

  bool isPinned() const { return pinned_; }
  void setPinned(bool pinned) { pinned_ = pinned; }

  void addOnSelected(Callback callback);
  // Runs every selection callback in order; the row's action.
  void onSelect();

 private:
  HistoryItemPtr entry_;
  std::shared_ptr<const EntryPresentation> presentation_;
  // The selection callbacks in order: the one given at construction, then the added ones.
  Callback onSelected_;
  std::vector<Callback> moreOnSelected_;
  bool pinned_ = false;
};

using HistoryMenuItemPtr = std::shared_ptr<HistoryMenuItem>;

}  // namespace marbrel
