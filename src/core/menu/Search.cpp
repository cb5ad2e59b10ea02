#include "core/menu/Search.h"

#include <algorithm>
#include <optional>

#include "core/config/Configuration.h"

namespace marbrel {

Search::Search(const Configuration& configuration, Fuse fuse)
    : configuration_(configuration), fuse_(std::move(fuse)) {}

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
