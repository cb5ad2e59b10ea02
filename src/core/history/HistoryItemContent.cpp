#include "core/history/HistoryItemContent.h"

#include "core/history/ContentDigest.h"
#include "core/history/HistoryItem.h"
#include "core/history/HistoryStore.h"

namespace marbrel {

namespace {

const std::optional<std::string>& absent() {
  static const std::optional<std::string> none;
  return none;
}

}  // namespace

HistoryItemContent::HistoryItemContent(std::optional<std::string> type, std::optional<std::string> value)
    : type_(std::move(type)),
      loaded_(true),
      hasValue_(value.has_value()),
      size_(value ? value->size() : 0),
      digest_(ContentDigest::of(type_, value)) {
  if (value) value_ = std::make_unique<std::optional<std::string>>(std::move(value));
}

std::shared_ptr<HistoryItemContent> HistoryItemContent::stored(std::optional<std::string> type, bool hasValue,
                                                               std::size_t size, std::uint64_t digest,
                                                               std::int64_t rowId) {
  struct Made : HistoryItemContent {
    Made(std::optional<std::string> type, bool hasValue, std::size_t size, std::uint64_t digest, std::int64_t rowId)
        : HistoryItemContent(std::move(type), hasValue, size, digest, rowId) {}
  };
  return std::make_shared<Made>(std::move(type), hasValue, size, digest, rowId);
}

const std::optional<std::string>& HistoryItemContent::loadedValue() const { return value_ ? *value_ : absent(); }

HistoryItemContent::HistoryItemContent(std::optional<std::string> type, bool hasValue, std::size_t size,
                                       std::uint64_t digest, std::int64_t rowId)
    : type_(std::move(type)), loaded_(!hasValue), hasValue_(hasValue), size_(size), digest_(digest), rowId_(rowId) {}

const std::optional<std::string>& HistoryItemContent::value() const {
  if (!loaded_ && item_ && item_->store_ && rowId_ != 0) {
    std::optional<std::string> bytes;
    if (item_->store_->loadValue(rowId_, bytes) && bytes) {
      value_ = std::make_unique<std::optional<std::string>>(std::move(bytes));
      loaded_ = true;
    }
  }
  return loadedValue();
}

void HistoryItemContent::releaseValue() const {
  if (!hasValue_ || rowId_ == 0 || !item_ || !item_->store_) return;
  value_.reset();
  loaded_ = false;
}

}  // namespace marbrel
