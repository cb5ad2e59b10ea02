#include "core/menu/SearchTexts.h"

#include "core/menu/EntryPresentation.h"

namespace marbrel {

namespace {

// A text's fuzzy form is first cut from this many bytes on, then from four times as many until
// its beginning holds enough characters.
constexpr std::size_t kFirstCut = 512;
// The buffer is rewritten without the texts that left once they take more than half of it.
constexpr std::size_t kCompactAbove = 1 << 20;

}  // namespace

SearchTexts::SearchTexts(const Fuse& fuse) : fuse_(fuse) {}

SearchTexts::Fuzzy SearchTexts::prepareFuzzy(std::string_view text) const {
  // A beginning is kept when it serves a pattern of every length the matcher scans (up to 64
  // characters; the reach grows with the pattern).
  for (std::size_t from = kFirstCut; from < text.size(); from *= 4) {
    if (!fuse_.prefixServes(std::int64_t{1} << 40, 64)) break;  // the engine reads whole texts
    const auto cut = FuseText::cutPoint(text, from);
    if (!cut) break;
    FuseText beginning = fuse_.prepare(text.substr(0, *cut));
    if (fuse_.prefixServes(beginning.size(), 64)) return {std::move(beginning), false};
  }
  return {fuse_.prepare(text), true};
}

SearchTexts::Id SearchTexts::add(std::string_view text) {
  Record record;
  const std::string folded = foldCase(text);
  record.offset = buffer_.size();
  record.length = static_cast<std::uint32_t>(folded.size());
  buffer_ += folded;
  // A plain ASCII text folds to what the matcher reads, lower-cased: the two share the bytes.
  if (!fuse_.isCaseSensitive() && FuseText::isSingleByte(text)) {
    record.fuzzy = kBorrowsFolded;
  } else {
    Fuzzy form = prepareFuzzy(text);
    if (freeFuzzy_.empty()) {
      record.fuzzy = static_cast<std::uint32_t>(fuzzy_.size());
      fuzzy_.push_back(std::move(form));
    } else {
      record.fuzzy = freeFuzzy_.back();
      freeFuzzy_.pop_back();
      fuzzy_[record.fuzzy] = std::move(form);
    }
  }
  if (freeRecords_.empty()) {
    records_.push_back(record);
    return static_cast<Id>(records_.size() - 1);
  }
  const Id id = freeRecords_.back();
  freeRecords_.pop_back();
  records_[id] = record;
  return id;
}

void SearchTexts::remove(Id id) {
  if (id >= records_.size()) return;
  Record& record = records_[id];
  garbage_ += record.length;
  if (record.fuzzy != kBorrowsFolded) {
    fuzzy_[record.fuzzy] = Fuzzy{};
    freeFuzzy_.push_back(record.fuzzy);
  }
  record = Record{};
  freeRecords_.push_back(id);
  if (garbage_ > kCompactAbove && garbage_ > buffer_.size() / 2) compact();
}

void SearchTexts::compact() {
  std::string kept;
  kept.reserve(buffer_.size() - garbage_);
  for (Record& record : records_) {
    const std::uint64_t offset = kept.size();
    kept.append(buffer_, record.offset, record.length);
    record.offset = offset;
  }
  buffer_ = std::move(kept);
  garbage_ = 0;
}

std::string_view SearchTexts::folded(Id id) const {
  const Record& record = records_[id];
  return std::string_view(buffer_).substr(record.offset, record.length);
}

const FuseText* SearchTexts::fuzzy(Id id, std::int64_t patternLength, FuseText& scratch) const {
  const Record& record = records_[id];
  if (record.fuzzy == kBorrowsFolded) {
    scratch.borrow(folded(id), true);
    return &scratch;
  }
  const Fuzzy& form = fuzzy_[record.fuzzy];
  if (form.whole || fuse_.prefixServes(form.text.size(), patternLength)) return &form.text;
  return nullptr;
}

bool SearchTexts::sameEngine(const SearchTexts& other) const {
  const Fuse& a = fuse_;
  const Fuse& b = other.fuse_;
  return a.location() == b.location() && a.distance() == b.distance() && a.threshold() == b.threshold() &&
         a.isCaseSensitive() == b.isCaseSensitive() && a.tokenize() == b.tokenize();
}

std::size_t SearchTexts::bytes() const {
  std::size_t total = buffer_.capacity() + records_.capacity() * sizeof(Record) + fuzzy_.capacity() * sizeof(Fuzzy);
  for (const Fuzzy& form : fuzzy_) total += form.text.text().size();
  return total;
}

}  // namespace marbrel
