#pragma once

// What the history store's source files share: SQLite's result codes for failures found outside
// SQLite, the order entries are kept in, text quoted for the log, and removing one from a list.

#include <algorithm>
#include <string>
#include <vector>

#include "core/history/HistoryItem.h"

namespace marbrel::store_detail {

constexpr int kError = 1;
constexpr int kReadOnly = 8;
constexpr int kCorrupt = 11;
constexpr int kCantOpen = 14;
constexpr int kNotADatabase = 26;

// Entries in the order of all(): newest firstCopiedAt first, the later created first on ties.
inline bool newerFirst(const HistoryItemPtr& a, const HistoryItemPtr& b) {
  if (a->firstCopiedAt() != b->firstCopiedAt()) return a->firstCopiedAt() > b->firstCopiedAt();
  return a->storeSequence() > b->storeSequence();
}

inline bool olderFirst(const HistoryItemPtr& a, const HistoryItemPtr& b) { return newerFirst(b, a); }

inline std::string quotedText(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '"' || c == '\\') out += '\\';
    out += c;
  }
  return out + "\"";
}

template <typename T>
void eraseOne(std::vector<T>& list, const T& value) {
  auto it = std::find(list.begin(), list.end(), value);
  if (it != list.end()) list.erase(it);
}

}  // namespace marbrel::store_detail
