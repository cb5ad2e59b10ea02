#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/fuzzy/Fuse.h"

namespace marbrel {

// The texts the history search reads, one per entry, made once and held compactly: every text's
// case-folded form, which the plain search looks in, side by side in one buffer, and what the
// fuzzy matcher reads. For a plain ASCII text that is the same bytes; for any other text it is the
// lower-case form of the text's beginning, as far as a search can reach.
class SearchTexts {
 public:
  using Id = std::uint32_t;

  // `fuse` is the engine that will search the texts; it is not kept.
  explicit SearchTexts(const Fuse& fuse);

  // Keeps the forms of `text` (an entry's whole text, valid UTF-8, or empty) under a new id.
  Id add(std::string_view text);
  // Forgets a text; its id may be given again.
  void remove(Id id);
  std::size_t size() const { return records_.size() - freeRecords_.size(); }

  // The case-folded text (Unicode full case folding).
  std::string_view folded(Id id) const;

  // What the matcher reads for a pattern of `patternLength` characters: `scratch` filled or a kept
  // text; null when the kept beginning does not reach far enough and the caller must prepare the
  // whole text. Safe to call from several threads while nothing is added or removed.
  const FuseText* fuzzy(Id id, std::int64_t patternLength, FuseText& scratch) const;

  // Bytes held for all texts, for the memory figures.
  std::size_t bytes() const;
  // Whether both hold texts made for engines with the same settings.
  bool sameEngine(const SearchTexts& other) const;

 private:
  static constexpr std::uint32_t kBorrowsFolded = 0xFFFFFFFF;

  struct Record {
    std::uint64_t offset = 0;  // of the folded text in buffer_
    std::uint32_t length = 0;
    std::uint32_t fuzzy = kBorrowsFolded;  // index into fuzzy_, or the folded bytes themselves
  };
  struct Fuzzy {
    FuseText text;
    bool whole = false;  // the whole text, not only its beginning
  };

  Fuzzy prepareFuzzy(std::string_view text) const;
  void compact();

  Fuse fuse_;
  std::string buffer_;
  std::size_t garbage_ = 0;  // bytes of buffer_ no record uses
  std::vector<Record> records_;
  std::vector<Id> freeRecords_;
  std::vector<Fuzzy> fuzzy_;
  std::vector<std::uint32_t> freeFuzzy_;
};

}  // namespace marbrel
