#pragma once

#include <cstdint>
#include <random>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "core/history/HistoryItem.h"
#include "core/menu/EntryPresentationCache.h"
#include "core/menu/HistoryMenuItem.h"
#include "core/menu/MenuModel.h"
#include "core/menu/Search.h"

namespace marbrel {

class Clipboard;
class Configuration;
class History;

// The history menu: two rows per history entry (copy and paste, one of them the alternate shown
// while Option is held) between the header and the footer, rebuilt from the store each time the
// menu opens; number and pin-letter key equivalents, the item limit, filtering by the search
// query, the keyboard highlight, and the commands the search header forwards.
class Menu : public MenuModel {
 public:
  using Items = std::vector<HistoryMenuItemPtr>;

  static constexpr int kMaxHotKey = 9;
  static constexpr double kMenuWidth = 300.0;

  // None is owned; all outlive the menu. `random` picks pin letters. Registers "maxMenuItems" = 0
  // and the rows' "imageMaxHeight" = 40.0.
  Menu(History& history, Clipboard& clipboard, Configuration& configuration,
       const ImageDecoder& images, const Strings& strings,
       std::mt19937 random = std::mt19937(std::random_device{}()));

  // Every letter a pin may use: a to z without p and q.
  static const std::set<std::string>& availablePins();

  // The menu is about to open: rebuilds the rows from the whole history, numbers them and
  // highlights the first unpinned row.
  void menuWillOpen() { rebuild(); }
  void rebuild();

  // Replaces the history rows by two rows per entry, in the order "sortBy" and "pinTo" give (the
  // sorter's last entry at the top), then takes unpinned rows off the bottom beyond the limit.
  void populate(const std::vector<HistoryItemPtr>& entries);
  // Gives the first nine unpinned pairs of `items` the numbers 1 to 9 and every other unpinned
  // row none; pinned rows keep their letters.
  void renumber(const Items& items);
  // Shows the rows that match `query` (all of them for an empty one, up to the limit) right below
  // the header, numbers them and highlights the first.
  void updateFilter(std::string_view query);

  // Keyboard navigation over the enabled, non-separator items whose alternate flag is `alternate`
  // and that the user can see (hidden items, and alternates standing in for them, are skipped).
  // Moves the highlight to the candidate after the highlighted one in `items` (the first counts
  // as highlighted when nothing is); false when there is none.
  bool highlightNext(const std::vector<MenuItemPtr>& items, bool alternate);
  // Down: the next candidate, wrapping to the first.
  void selectNext(bool alternate);
  // Up: the previous candidate, wrapping to the last.
  void selectPrevious(bool alternate);
  void selectFirst(bool alternate);
  void selectLast(bool alternate);
  // Highlights `item` when it is in the menu; otherwise only the first item is tried.
  void highlight(const MenuItem* item);
  std::vector<MenuItemPtr> navigationCandidates(const std::vector<MenuItemPtr>& items,
                                                bool alternate) const;

  // Deletes the highlighted row's entry from the history, takes its pair out of the menu and
  // highlights the same row of the next pair.
  void deleteHighlightedItem();
  // Pins the highlighted row's entry with a free letter, or unpins it; then rebuilds.
  void togglePin();
  // A free pin letter chosen at random, or "" when all are taken.
  std::string nextAvailablePin();
  // Takes rows out of the menu and out of the history rows.
  void removeItems(const Items& items);

  // Every row of the last rebuild in menu order, including those the limit keeps out of the menu.
  const Items& historyItems() const { return historyItems_; }
  const Search& search() const { return search_; }

 private:
  HistoryMenuItemPtr makeItem(const HistoryItemPtr& entry,
                              const std::shared_ptr<const EntryPresentation>& presentation,
                              bool paste, double imageMaxHeight);
  // The row of the same entry next to `item` in the menu (its pair partner), or null.
  HistoryMenuItemPtr partnerOf(const HistoryMenuItem& item, std::size_t index) const;
  // The member of `item`'s pair that navigation over `alternate` rows moves from: `item` itself,
  // or the row right after a primary (alternates) or right before an alternate (primaries).
  const MenuItem* counterpart(const MenuItem* item, bool alternate) const;
  // The history rows now in the menu, in menu order.
  Items historyItemsInMenu() const;
  std::int64_t itemLimit() const;

  History& history_;
  Clipboard& clipboard_;
  Configuration& configuration_;
  Search search_;
  EntryPresentationCache presentations_;
  std::mt19937 random_;
  Items historyItems_;
};

}  // namespace marbrel
