#pragma once

#include <string_view>
#include <vector>

#include "core/fuzzy/Fuse.h"
#include "core/menu/HistoryMenuItem.h"

namespace marbrel {

class Configuration;

// Filters the history menu's rows by the query typed into the search field: a case-insensitive
// substring test that keeps the menu's order, or a fuzzy match ranked by score, as "fuzzySearch"
// says at each call.
class Search {
 public:
  using Items = std::vector<HistoryMenuItemPtr>;

  // The configuration is not owned and outlives the search. The default engine is the history
  // search's: location 0, distance 100, threshold 0.7, case-insensitive, no words.
  explicit Search(const Configuration& configuration, Fuse fuse = Fuse(0, 100, 0.7, 32, false, false));

  // The rows of `items` that match `query`: all of them for an empty query.
  Items searchItems(std::string_view query, const Items& items) const;

  // The rows whose text contains `query` ignoring case (Unicode case folding), in their order.
  Items simpleSearch(std::string_view query, const Items& items) const;
  // The rows for which the engine finds `query`, best score first; equal scores keep their order.
  Items fuzzySearch(std::string_view query, const Items& items) const;

  const Fuse& fuse() const { return fuse_; }

 private:
  const Configuration& configuration_;
  Fuse fuse_;
};

}  // namespace marbrel
