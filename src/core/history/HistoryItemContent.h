#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace marbrel {

class HistoryItem;
class HistoryStore;

// One representation of a copy (a clipboard type and its bytes). The bytes never change once
// stored; a stored value is read from the store on first use and may be released again.
class HistoryItemContent {
 public:
  HistoryItemContent(std::optional<std::string> type, std::optional<std::string> value);
  HistoryItemContent(const HistoryItemContent&) = delete;
  HistoryItemContent& operator=(const HistoryItemContent&) = delete;

  // The clipboard type identifier, verbatim (any bytes).
  const std::optional<std::string>& type() const { return type_; }

  // The bytes, absent when the clipboard gave none. A stored value is loaded on the first call.
  // The reference stays valid until releaseValue() or the store's next saveContext(), whichever
  // comes first; copy it to keep it longer. Reads as absent if the entry's store is gone or the
  // bytes can no longer be read.
  const std::optional<std::string>& value() const;

  // Whether a value is present, and its length, known without loading the bytes.
  bool hasValue() const { return hasValue_; }
  std::size_t size() const { return size_; }
  // A hash of the type and value together; equal contents have equal digests.
  std::uint64_t digest() const { return digest_; }

  // Drops the bytes from memory if they can be read back from the store; no effect otherwise.
  void releaseValue() const;
  bool isValueLoaded() const { return loaded_; }

  // The owning entry (not owned); null until the content is added to an entry.
  HistoryItem* item() const { return item_; }

 private:
  friend class HistoryItem;
  friend class HistoryStore;

  // A stored content as the store lists it, bytes not loaded, in one allocation with its count.
  static std::shared_ptr<HistoryItemContent> stored(std::optional<std::string> type, bool hasValue,
                                                    std::size_t size, std::uint64_t digest, std::int64_t rowId);
  HistoryItemContent(std::optional<std::string> type, bool hasValue, std::size_t size,
                     std::uint64_t digest, std::int64_t rowId);
  // The loaded value, absent when there is none or it is not loaded.
  const std::optional<std::string>& loadedValue() const;

  std::optional<std::string> type_;
  // Held apart: most contents of a long history have their bytes on disk only.
  mutable std::unique_ptr<std::optional<std::string>> value_;
  mutable bool loaded_ = true;
  bool hasValue_ = false;
  std::size_t size_ = 0;
  std::uint64_t digest_ = 0;
  std::int64_t rowId_ = 0;  // 0 until stored
  HistoryItem* item_ = nullptr;
};

}  // namespace marbrel
