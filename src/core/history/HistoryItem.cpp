#include "core/history/HistoryItem.h"

#include <unordered_set>

#include "core/history/ContentDigest.h"
#include "core/history/HistoryStore.h"

namespace marbrel {

HistoryItem::HistoryItem(HistoryStore* store, Contents contents, double firstCopiedAt, double lastCopiedAt,
                         std::int64_t numberOfCopies, std::optional<std::string> pin, std::int64_t rowId,
                         std::uint64_t sequence)
    : store_(store),
      contents_(std::move(contents)),
      firstCopiedAt_(firstCopiedAt),
      lastCopiedAt_(lastCopiedAt),
      numberOfCopies_(numberOfCopies),
      pin_(std::move(pin)),
      rowId_(rowId),
      sequence_(sequence),
      state_(rowId == 0 ? State::inserted : State::saved) {
  ContentDigest digest;
  std::unordered_set<std::uint64_t> seen;
  for (const auto& content : contents_) {
    content->item_ = this;
    digest.add(content->digest());
    // Equal digests may mean equal contents; such an entry needs the full comparison.
    if (!seen.insert(content->digest()).second) distinctContents_ = false;
  }
  contentsDigest_ = digest.value();
}

std::shared_ptr<HistoryItem> HistoryItem::make(HistoryStore* store, Contents contents, double firstCopiedAt,
                                               double lastCopiedAt, std::int64_t numberOfCopies,
                                               std::optional<std::string> pin, std::int64_t rowId,
                                               std::uint64_t sequence) {
  struct Made : HistoryItem {
    Made(HistoryStore* store, Contents contents, double firstCopiedAt, double lastCopiedAt, std::int64_t numberOfCopies,
         std::optional<std::string> pin, std::int64_t rowId, std::uint64_t sequence)
        : HistoryItem(store, std::move(contents), firstCopiedAt, lastCopiedAt, numberOfCopies, std::move(pin), rowId,
                      sequence) {}
  };
  return std::make_shared<Made>(store, std::move(contents), firstCopiedAt, lastCopiedAt, numberOfCopies,
                                std::move(pin), rowId, sequence);
}

HistoryItem::~HistoryItem() {
  // A content may outlive its entry; it must not point at it afterwards.
  for (const auto& content : contents_) content->item_ = nullptr;
}

std::size_t HistoryItem::totalSize() const {
  std::size_t total = 0;
  for (const auto& content : contents_) total += content->size();
  return total;
}

void HistoryItem::setLastCopiedAt(double date) {
  if (date == lastCopiedAt_) return;
  lastCopiedAt_ = date;
  fieldChanged();
}

void HistoryItem::setNumberOfCopies(std::int64_t count) {
  if (count == numberOfCopies_) return;
  numberOfCopies_ = count;
  fieldChanged();
}

void HistoryItem::setPin(std::optional<std::string> pin) {
  if (pin == pin_) return;
  const bool wasPinned = isPinned();
  pin_ = std::move(pin);
  if (store_ && isLive()) store_->pinChanged(*this, wasPinned);
  fieldChanged();
}

void HistoryItem::fieldChanged() {
  if (!store_) return;
  if (state_ == State::saved && !dirty_) store_->markDirty(*this);
  if (isLive()) store_->notify(*this, HistoryChange::changed);
}

}  // namespace marbrel
