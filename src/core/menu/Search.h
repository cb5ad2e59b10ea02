#pragma once

#include <string_view>
#include <vector>

#include "core/fuzzy/Fuse.h"
#include "core/menu/HistoryMenuItem.h"
#include "core/menu/MenuEntries.h"
#include "core/menu/WorkerPool.h"

namespace marbrel {

class Configuration;

// Filters the history menu's rows by the query typed into the search field: a case-insensitive
// substring test that keeps the menu's order, or a fuzzy match ranked by score, as "fuzzySearch"
// says at each call. The menu searches its entries' prepared texts, spread over the processors;
// the search over rows gives the same answer from the rows' own texts.
class Search {
 public:
  using Items = std::vector<HistoryMenuItemPtr>;
  using Order = MenuEntries::Order;

  // Entries searched per part of a search shared out among threads.
  static constexpr std::size_t kPartSize = 2048;

  // The configuration is not owned and outlives the search. The default engine is the history
  // search's: location 0, distance 100, threshold 0.7, case-insensitive, no words.
  explicit Search(const Configuration& configuration, Fuse fuse = defaultFuse());
  static Fuse defaultFuse() { return Fuse(0, 100, 0.7, 32, false, false); }

  // The entries of `slots` (menu order) that match `query`, in the order searchItems gives their
  // rows: all of them for an empty query. With a `limit` other than 0 only the first `limit`
  // entries of that order are wanted, and the search stops once later ones cannot be among them.
  // Texts not prepared yet are made first.
  Order searchEntries(std::string_view query, const Order& slots, MenuEntries& entries, std::size_t limit = 0) const;

  // The rows of `items` that match `query`: all of them for an empty query.
  Items searchItems(std::string_view query, const Items& items) const;

  // The rows whose text contains `query` ignoring case (Unicode case folding), in their order.
  Items simpleSearch(std::string_view query, const Items& items) const;
  // The rows for which the engine finds `query`, best score first; equal scores keep their order.
  Items fuzzySearch(std::string_view query, const Items& items) const;

  const Fuse& fuse() const { return fuse_; }

 private:
  Order simpleSearchEntries(std::string_view query, const Order& slots, const MenuEntries& entries,
                            std::size_t limit) const;
  Order fuzzySearchEntries(std::string_view query, const Order& slots, MenuEntries& entries,
                           std::size_t limit) const;

  const Configuration& configuration_;
  Fuse fuse_;
  mutable WorkerPool pool_;
};

}  // namespace marbrel
