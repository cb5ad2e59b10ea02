#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/history/HistoryItem.h"
#include "core/menu/EntryPresentationCache.h"
#include "core/menu/HistoryMenuItem.h"
#include "core/menu/MenuEntries.h"
#include "core/menu/MenuModel.h"
#include "core/menu/Search.h"

namespace marbrel {

class Clipboard;
class Configuration;
class History;

// The history menu: two rows per history entry (copy and paste, one of them the alternate shown
// while Option is held) between the header and the footer, as the history stands each time the
// menu opens; number and pin-letter key equivalents, the item limit, filtering by the search
// query, the keyboard highlight, and the commands the search header forwards.
//
// The entries are kept in order as the store changes and brought up to date at each opening; the
// rows are a run of pairs (see MenuModel) whose items are made when something asks for them, so
// opening and filtering cost what is shown, not what is stored.
class Menu : public MenuModel {
 public:
  using Items = std::vector<HistoryMenuItemPtr>;
  using Order = MenuEntries::Order;
  // A highlighted history row by what survives a rebuild of the rows: its entry and its part in
  // the pair.
  struct RowHighlight {
    HistoryItemPtr entry;
    bool alternate = false;
  };

  static constexpr int kMaxHotKey = 9;
  static constexpr double kMenuWidth = 300.0;

  // None is owned; all outlive the menu. `random` picks pin letters. Registers "maxMenuItems" = 0
  // and the rows' "imageMaxHeight" = 40.0.
  Menu(History& history, Clipboard& clipboard, Configuration& configuration,
       const ImageDecoder& images, const Strings& strings,
       std::mt19937 random = std::mt19937(std::random_device{}()));
  ~Menu() override;

  // Every letter a pin may use: a to z without p and q.
  static const std::set<std::string>& availablePins();

  // The menu is about to open: shows every entry of the history (trimmed to its size), numbers
  // the rows and highlights the first unpinned row.
  void menuWillOpen() { rebuild(); }
  void rebuild();
  // Rebuilds the rows of the open menu for the settings now (after the fixed parts were rebuilt):
  // shows those matching `query` and highlights `row` again where it is still shown, else the
  // first row as a filter does.
  void rebuildOpen(std::string_view query, const std::optional<RowHighlight>& row);
  // The highlighted item when it is a history row.
  std::optional<RowHighlight> highlightedRow() const;

  // Shows two rows per entry, in the order "sortBy" and "pinTo" give (the sorter's last entry at
  // the top), without the unpinned rows at the bottom beyond the limit.
  void populate();
  // Shows the rows that match `query` (all of them for an empty one, up to the limit) right below
  // the header, numbers them and highlights the first.
  void updateFilter(std::string_view query);

  // Keyboard navigation over the enabled, non-separator items whose alternate flag is `alternate`
  // and that the user can see (hidden items, and alternates standing in for them, are skipped).
  // Moves the highlight to the candidate after the highlighted one, or before it when not
  // `forward` (the first in that direction counts as highlighted when nothing is); false when
  // there is none.
  bool highlightNext(bool alternate, bool forward = true);
  // Down: the next candidate, wrapping to the first.
  void selectNext(bool alternate);
  // Up: the previous candidate, wrapping to the last.
  void selectPrevious(bool alternate);
  void selectFirst(bool alternate);
  void selectLast(bool alternate);
  // Highlights `item` when it is in the menu; otherwise only the first item is tried.
  void highlight(const MenuItem* item);

  // Deletes the highlighted row's entry from the history, takes its pair out of the menu and
  // highlights the same row of the next pair.
  void deleteHighlightedItem();
  // Pins the highlighted row's entry with a free letter, or unpins it; then rebuilds.
  void togglePin();
  // A free pin letter chosen at random, or "" when all are taken.
  std::string nextAvailablePin();
  // Takes rows out of the menu and out of the history rows, a pair at a time.
  void removeItems(const Items& items);
  // The same for every history row, or for the unpinned ones.
  void removeAllHistoryItems();
  void removeUnpinnedHistoryItems();

  // Every row of the last rebuild in menu order, including those the limit keeps out of the menu.
  // Makes a row for every entry: meant for short histories.
  const Items& historyItems() const;
  // The entries of the last rebuild in menu order, and those shown now.
  const Order& historyOrder() const { return *all_; }
  const Order& shownOrder() const { return *shown_; }
  const Search& search() const { return search_; }
  MenuEntries& entries() { return entries_; }
  // How many history rows are made now: those asked for since the last rebuild.
  std::size_t madeRows() const { return 2 * rows_.size(); }

  const std::vector<PairImage>& pairImages() const override { return images_; }
  std::vector<std::size_t> pairsWithKeyEquivalents() const override;
  // For a history row while the menu is filtered: where the query matched its title, worked out
  // once per row and query.
  TitleMarks titleMarks(const MenuItem& item) const override;

 protected:
  std::size_t pairCount() const override { return shown_->size(); }
  std::uint64_t pairAlternateMask() const override { return modifier_flags::kOption; }
  const MenuItemPtr& pairItem(std::size_t index) const override;
  std::optional<std::size_t> pairItemIndex(const MenuItem& item) const override;
  void removePair(std::size_t pair) override;
  void removeAllPairs() override { removeAllHistoryItems(); }

 private:
  using Slot = MenuEntries::Slot;
  // The two rows of an entry, made together.
  struct Pair {
    MenuItemPtr primary;  // both HistoryMenuItems
    MenuItemPtr alternate;
    std::size_t position = 0;  // in the run, when `shown`
    bool shown = false;
    // The marks of the filter numbered `marksFilter`, once asked for (0: none worked out).
    std::uint64_t marksFilter = 0;
    TitleMarks marks;
  };

  HistoryMenuItemPtr makeItem(const HistoryItemPtr& entry,
                              const std::shared_ptr<const EntryPresentation>& presentation, bool paste) const;
  // The rows of `slot`, made on first request; placed at `position` of the run when given.
  Pair& pairFor(Slot slot, std::optional<std::size_t> position) const;
  // The key equivalent an unpinned row of `slot` carries: its number, or none.
  const std::string& numberFor(Slot slot) const;
  // Gives the first nine unpinned entries of `list` the numbers 1 to 9 and every other unpinned
  // row none; pinned rows keep their letters.
  void renumber(const Order& list);
  // Finds where the run shows the numbered entries.
  void locateNumbered();
  // Shows `shown` as the run, placed right below the first item.
  void showRun(std::shared_ptr<const Order> shown);
  // Takes every made row out of the menu and forgets it.
  void dropRows();
  // Takes the entries of `doomed` out of the run and out of the history rows.
  void removeSlots(const std::vector<Slot>& doomed);
  // Highlights the row of the first entry of `list` in the run that satisfies `wanted`.
  void highlightFirst(const Order& list, const std::function<bool(Slot)>& wanted);
  bool isCandidateAt(std::size_t index, bool alternate) const;
  // The other row of `item`'s pair in the run, or null.
  HistoryMenuItemPtr partnerOf(const HistoryMenuItem& item) const;
  // The member of `item`'s pair that navigation over `alternate` rows moves from: `item` itself,
  // or the row right after a primary (alternates) or right before an alternate (primaries).
  const MenuItem* counterpart(const MenuItem* item, bool alternate) const;
  std::int64_t itemLimit() const;

  History& history_;
  Clipboard& clipboard_;
  Configuration& configuration_;
  Search search_;
  MenuEntries entries_;
  mutable EntryPresentationCache presentations_;
  std::mt19937 random_;
  std::shared_ptr<const Order> all_;
  std::shared_ptr<const Order> shown_;
  std::vector<Slot> numbered_;  // the entries numbered 1 to 9, in that order
  // The query the run is filtered by (empty: not filtered), whether the fuzzy search filtered it,
  // and a number that changes with every filtering.
  std::string query_;
  bool queryFuzzy_ = false;
  std::uint64_t filter_ = 0;
  bool pasteByDefault_ = true;
  double imageMaxHeight_ = HistoryMenuItem::kDefaultImageMaxHeight;
  std::vector<PairImage> images_;
  std::vector<std::size_t> pinnedPairs_;    // positions in the run
  std::vector<std::size_t> numberedPairs_;  // positions in the run
  mutable std::unordered_map<Slot, Pair> rows_;
  mutable Items historyItems_;
  mutable bool historyItemsMade_ = false;
};

}  // namespace marbrel
