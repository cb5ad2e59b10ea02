#include "core/history/HistoryItemContent.h"

#include "core/history/ContentDigest.h"
#include "core/history/HistoryItem.h"
#include "core/history/HistoryStore.h"

namespace marbrel {

HistoryItemContent::HistoryItemContent(std::optional<std::string> type, std::optional<std::string> value)
    : type_(std::move(type)),
      value_(std::move(value)),
      loaded_(true),
      hasValue_(value_.has_value()),
      size_(value_ ? value_->size() : 0),
      digest_(ContentDigest::of(type_, value_)) {}

HistoryItemContent::HistoryItemContent(std::optional<std::string> type, bool hasValue, std::size_t size,
                                       std::uint64_t digest, std::int64_t rowId)
    : type_(std::move(type)), loaded_(!hasValue), hasValue_(hasValue), size_(size), digest_(digest), rowId_(rowId) {}

const std::optional<std::string>& HistoryItemContent::value() const {
  if (!loaded_ && item_ && item_->store_ && rowId_ != 0) {
    std::optional<std::string> bytes;
    if (item_->store_->loadValue(rowId_, bytes) && bytes) {
      value_ = std::move(bytes);
      loaded_ = true;
    }
  }
  return value_;
}

void HistoryItemContent::releaseValue() const {
  if (!hasValue_ || rowId_ == 0 || !item_ || !item_->store_) return;
  value_.reset();
  loaded_ = false;
}

}  // namespace marbrel
