#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/history/HistoryItemContent.h"

namespace marbrel {

class HistoryStore;

// One history entry: the contents of one copy, when it was first and last copied, how often, and
// its pin letter when pinned. The shared_ptr that the store hands out is the entry's identity.
class HistoryItem : public std::enable_shared_from_this<HistoryItem> {
 public:
  using Contents = std::vector<std::shared_ptr<HistoryItemContent>>;

  ~HistoryItem();
  HistoryItem(const HistoryItem&) = delete;
  HistoryItem& operator=(const HistoryItem&) = delete;

  // The representations, in the order they were given; never changed after creation.
  const Contents& contents() const { return contents_; }

  double firstCopiedAt() const { return firstCopiedAt_; }
  double lastCopiedAt() const { return lastCopiedAt_; }
  void setLastCopiedAt(double date);
  std::int64_t numberOfCopies() const { return numberOfCopies_; }
  void setNumberOfCopies(std::int64_t count);
  // Present exactly when the entry is pinned.
  const std::optional<std::string>& pin() const { return pin_; }
  void setPin(std::optional<std::string> pin);
  bool isPinned() const { return pin_.has_value(); }

  // The store's row id; 0 until the entry has been saved.
  std::int64_t storeId() const { return rowId_; }
  // Whether the entry is in its store's working context (not deleted).
  bool isLive() const { return state_ == State::inserted || state_ == State::saved; }
  // An order-independent hash of all contents; entries with the same contents have equal digests.
  std::uint64_t contentsDigest() const { return contentsDigest_; }
  // False when two of the contents might be equal (then the digest alone cannot find duplicates).
  bool hasDistinctContents() const { return distinctContents_; }
  // The length of all the contents' values together, in bytes.
  std::size_t totalSize() const;
  // Creation order within the store; settles the order of entries with equal dates.
  std::uint64_t storeSequence() const { return sequence_; }

 private:
  friend class HistoryStore;
  friend class HistoryItemContent;

  enum class State { inserted, saved, deletedPending, gone };

  HistoryItem(HistoryStore* store, Contents contents, double firstCopiedAt, double lastCopiedAt,
              std::int64_t numberOfCopies, std::optional<std::string> pin, std::int64_t rowId,
              std::uint64_t sequence);
  // The same in one allocation with its count.
  static std::shared_ptr<HistoryItem> make(HistoryStore* store, Contents contents, double firstCopiedAt,
                                           double lastCopiedAt, std::int64_t numberOfCopies,
                                           std::optional<std::string> pin, std::int64_t rowId, std::uint64_t sequence);
  void fieldChanged();

  HistoryStore* store_;  // not owned; null once the store is gone or the deletion is saved
  Contents contents_;
  double firstCopiedAt_;
  double lastCopiedAt_;
  std::int64_t numberOfCopies_;
  std::optional<std::string> pin_;
  std::int64_t rowId_;
  std::uint64_t sequence_;  // creation order, settles ties between equal dates
  State state_;
  bool dirty_ = false;
  std::uint64_t contentsDigest_ = 0;
  bool distinctContents_ = true;
};

using HistoryItemPtr = std::shared_ptr<HistoryItem>;

}  // namespace marbrel
