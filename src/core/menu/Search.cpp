#include "core/menu/Search.h"

#include <algorithm>
#include <atomic>
#include <mutex>
#include <optional>
#include <unordered_map>

#include "core/config/Configuration.h"

namespace marbrel {

Search::Search(const Configuration& configuration, Fuse fuse)
    : configuration_(configuration), fuse_(std::move(fuse)) {}

namespace {

// Tells the parts of a search shared out among threads when the parts searched so far, from the
// first on without a gap, already hold enough of what is wanted: later parts cannot change it.
class EnoughSoFar {
 public:
  EnoughSoFar(std::size_t parts, std::size_t wanted) : found_(parts, kNotDone), wanted_(wanted) {}

  // Whether part `part` can still matter.
  bool needed(std::size_t part) const { return wanted_ == 0 || part <= lastNeeded_.load(std::memory_order_relaxed); }
  // Part `part` is searched and holds `found` of what is wanted.
  void done(std::size_t part, std::size_t found) {
    if (wanted_ == 0) return;
    const std::lock_guard<std::mutex> lock(mutex_);
    found_[part] = found;
    while (contiguous_ < found_.size() && found_[contiguous_] != kNotDone) total_ += found_[contiguous_++];
    if (total_ >= wanted_ && contiguous_ > 0) lastNeeded_.store(contiguous_ - 1, std::memory_order_relaxed);
  }

 private:
  static constexpr std::size_t kNotDone = static_cast<std::size_t>(-1);
  std::vector<std::size_t> found_;
  std::size_t wanted_;
  std::mutex mutex_;
  std::size_t contiguous_ = 0;
  std::size_t total_ = 0;
  std::atomic<std::size_t> lastNeeded_{static_cast<std::size_t>(-1)};
};

std::size_t partsFor(std::size_t count) { return (count + Search::kPartSize - 1) / Search::kPartSize; }

}  // namespace

Search::Order Search::searchEntries(std::string_view query, const Order& slots, MenuEntries& entries,
                                    std::size_t limit) const {
  if (query.empty()) return limit != 0 && slots.size() > limit ? Order(slots.begin(), slots.begin() + limit) : slots;
  entries.prepareTexts(slots);
  return configuration_.fuzzySearch() ? fuzzySearchEntries(query, slots, entries, limit)
                                      : simpleSearchEntries(query, slots, entries, limit);
}

Search::Order Search::simpleSearchEntries(std::string_view query, const Order& slots, const MenuEntries& entries,
                                          std::size_t limit) const {
  const std::string needle = foldCase(query);
  if (needle.empty()) return {};
  const std::size_t parts = partsFor(slots.size());
  std::vector<Order> found(parts);
  EnoughSoFar enough(parts, limit);
  const SearchTexts& texts = entries.texts();
  pool_.run(parts, [&](std::size_t part) {
    if (!enough.needed(part)) return;
    const std::size_t end = std::min(slots.size(), (part + 1) * kPartSize);
    Order& mine = found[part];
    for (std::size_t i = part * kPartSize; i < end; ++i) {
      if (texts.folded(entries.textOf(slots[i])).find(needle) != std::string_view::npos) mine.push_back(slots[i]);
    }
    enough.done(part, mine.size());
  });
  Order result;
  for (std::size_t part = 0; part < parts && (limit == 0 || result.size() < limit); ++part) {
    if (!enough.needed(part)) break;
    result.insert(result.end(), found[part].begin(), found[part].end());
  }
  if (limit != 0 && result.size() > limit) result.resize(limit);
  return result;
}

Search::Order Search::fuzzySearchEntries(std::string_view query, const Order& slots, MenuEntries& entries,
                                         std::size_t limit) const {
  // The pattern depends on the query alone, so one serves every entry.
  const std::optional<FusePattern> pattern = fuse_.createPattern(query);
  if (!pattern) return {};
  const SearchTexts& texts = entries.texts();
  // A query longer than the kept beginnings of some texts needs their whole texts: made here,
  // for this search only, before the threads start.
  std::unordered_map<MenuEntries::Slot, FuseText> whole;
  if (pattern->len() > 64) {
    FuseText scratch;
    for (const auto slot : slots) {
      if (!texts.fuzzy(entries.textOf(slot), pattern->len(), scratch)) {
        whole.emplace(slot, fuse_.prepare(MenuEntries::textOfEntry(*entries.entry(slot))));
      }
    }
  }
  struct Scored {
    double score;
    MenuEntries::Slot slot;
  };
  const auto byScore = [](const Scored& a, const Scored& b) { return a.score < b.score; };
  const std::size_t parts = partsFor(slots.size());
  std::vector<std::vector<Scored>> found(parts);
  // Results that score 0 come first in the order they stand; enough of them settle the answer
  // (no score is below 0 unless the distance is).
  EnoughSoFar enough(parts, fuse_.distance() >= 0 ? limit : 0);
  pool_.run(parts, [&](std::size_t part) {
    if (!enough.needed(part)) return;
    const std::size_t end = std::min(slots.size(), (part + 1) * kPartSize);
    std::vector<Scored>& mine = found[part];
    FuseText scratch;
    std::size_t perfect = 0;
    for (std::size_t i = part * kPartSize; i < end; ++i) {
      const MenuEntries::Slot slot = slots[i];
      const FuseText* text = texts.fuzzy(entries.textOf(slot), pattern->len(), scratch);
      if (!text) text = &whole.at(slot);
      if (const auto score = fuse_.score(*pattern, *text)) {
        mine.push_back({*score, slot});
        if (*score == 0) ++perfect;
      }
    }
    std::stable_sort(mine.begin(), mine.end(), byScore);
    enough.done(part, perfect);
  });
  // Each part is in score order. Merging neighbouring parts, the earlier one first on equal
  // scores, round by round, gives what one stable sort of the whole list would.
  std::size_t used = 0;
  while (used < parts && enough.needed(used)) ++used;
  found.resize(used);
  for (std::size_t width = 1; width < found.size(); width *= 2) {
    for (std::size_t left = 0; left + width < found.size(); left += 2 * width) {
      std::vector<Scored> joined;
      joined.reserve(found[left].size() + found[left + width].size());
      std::merge(found[left].begin(), found[left].end(), found[left + width].begin(), found[left + width].end(),
                 std::back_inserter(joined), byScore);
      found[left] = std::move(joined);
      std::vector<Scored>().swap(found[left + width]);
    }
  }
  const std::vector<Scored> none;
  const std::vector<Scored>& merged = found.empty() ? none : found.front();
  Order result;
  const std::size_t count = limit != 0 ? std::min(limit, merged.size()) : merged.size();
  result.reserve(count);
  for (std::size_t i = 0; i < count; ++i) result.push_back(merged[i].slot);
  return result;
}

Search::Items Search::searchItems(std::string_view query, const Items& items) const {
  if (query.empty()) return items;
  return configuration_.fuzzySearch() ? fuzzySearch(query, items) : simpleSearch(query, items);
}

Search::Items Search::simpleSearch(std::string_view query, const Items& items) const {
  const std::string needle = foldCase(query);
  Items result;
  result.reserve(items.size());
  // Both rows of a pair share one presentation; test it once.
  const EntryPresentation* last = nullptr;
  bool lastMatched = false;
  for (const auto& item : items) {
    const EntryPresentation* presentation = &item->presentation();
    if (presentation != last) {
      last = presentation;
      lastMatched = !needle.empty() &&
                    presentation->foldedValue().find(needle) != std::string::npos;
    }
    if (lastMatched) result.push_back(item);
  }
  return result;
}

Search::Items Search::fuzzySearch(std::string_view query, const Items& items) const {
  // The pattern depends on the query alone, so one serves every row.
  const std::optional<FusePattern> pattern = fuse_.createPattern(query);
  if (!pattern) return {};
  struct Scored {
    double score;
    HistoryMenuItemPtr item;
  };
  std::vector<Scored> scored;
  const EntryPresentation* last = nullptr;
  std::optional<double> lastScore;
  for (const auto& item : items) {
    const EntryPresentation* presentation = &item->presentation();
    if (presentation != last) {
      last = presentation;
      lastScore = fuse_.score(*pattern, presentation->fuzzyText(fuse_, pattern->len()));
    }
    if (lastScore) scored.push_back({*lastScore, item});
  }
  std::stable_sort(scored.begin(), scored.end(),
                   [](const Scored& a, const Scored& b) { return a.score < b.score; });
  Items result;
  result.reserve(scored.size());
  for (auto& entry : scored) result.push_back(std::move(entry.item));
  return result;
}

}  // namespace marbrel
