#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "core/menu/MenuItem.h"
#include "core/menu/TitleMarks.h"

namespace marbrel {

// A toolkit-neutral menu: an ordered list of items and a keyboard highlight. The shell draws it
// and feeds choices back; observers hear of every change so the view can redraw.
//
// A subclass may show a long run of item pairs without holding an item for each (see PairRun):
// the run's items are made when first asked for, by index, and everything here that takes an
// index or an item covers them.
class MenuModel {
 public:
  using Observer = std::function<void()>;
  using ObserverId = std::uint64_t;

  // A run of pairs of items: pair p is the item at at + 2p, its primary, and the one after it, its
  // alternate, which is hidden and shown in the primary's place while exactly `alternateMask` is
  // held. Every item of a run is enabled and no separator; the primaries' modifier mask is
  // Command. Empty (no pairs) in a plain menu.
  struct PairRun {
    std::size_t at = 0;
    std::size_t pairs = 0;
    std::uint64_t alternateMask = 0;
  };
  // A pair of the run whose items show an image preview `height` points high.
  struct PairImage {
    std::size_t pair = 0;
    double height = 0;
  };

  explicit MenuModel(std::string title = "");
  virtual ~MenuModel();
  MenuModel(const MenuModel&) = delete;
  MenuModel& operator=(const MenuModel&) = delete;

  const std::string& title() const { return title_; }
  double minimumWidth() const { return minimumWidth_; }
  void setMinimumWidth(double width);

  std::size_t size() const { return items_.size() + 2 * pairCount(); }
  bool empty() const { return size() == 0; }
  // Every item in order. With a run of pairs this makes all of the run's items: meant for short
  // menus; long ones are read by index.
  const std::vector<MenuItemPtr>& items() const;
  // The item at `index`, made now when it belongs to the run. Throws std::out_of_range past the end.
  const MenuItemPtr& itemAt(std::size_t index) const;
  // Membership is by identity and costs nothing.
  bool contains(const MenuItem& item) const { return item.menu_ == this; }
  std::optional<std::size_t> indexOf(const MenuItem& item) const;
  // The first item outside the run carrying `tag`, or null.
  MenuItemPtr itemWithTag(int tag) const;

  PairRun pairRun() const { return {pairsAt_, pairCount(), pairAlternateMask()}; }
  // The run's pairs that show an image preview, in run order.
  virtual const std::vector<PairImage>& pairImages() const;
  // The run's pairs whose items may carry a key equivalent, ascending; the others carry none.
  virtual std::vector<std::size_t> pairsWithKeyEquivalents() const { return {}; }
  // The stretches of `item`'s title to draw bold: where the query the menu is filtered by matched.
  // None by default. Asked for the rows being drawn only, so it may take a moment per row.
  virtual TitleMarks titleMarks(const MenuItem&) const { return {}; }

  // Adds at the end. An item that is in a menu already (this one included) leaves it first.
  void addItem(MenuItemPtr item);
  // Inserts at `index`; an index past the end appends, and one inside the run of pairs puts the
  // item after the run.
  void insertItem(MenuItemPtr item, std::size_t index);
  void insertItems(const std::vector<MenuItemPtr>& items, std::size_t index);
  // Removing an item of the run takes its whole pair out.
  void removeItemAt(std::size_t index);
  // Removes `item` when it is in this menu.
  void removeItem(const MenuItem& item);
  // Removes every item outside the run for which `predicate` holds, keeping the others in order.
  void removeItemsIf(const std::function<bool(const MenuItem&)>& predicate);
  void removeAllItems();

  // The item under the keyboard highlight, or null.
  const MenuItemPtr& highlightedItem() const { return highlighted_; }
  // Moves the highlight to `item` when it is in this menu, enabled, not a separator and shown (see
  // isShownAt); otherwise nothing is highlighted.
  void highlightItem(const MenuItem* item);
  // Whether the user can see the item at `index` with some keys held: an item that is not hidden,
  // or an alternate whose primary (the nearest item before it that is no alternate) is not hidden.
  bool isShownAt(std::size_t index) const;

  // A number that grows with every change of the items, their order, their attributes or the
  // highlight.
  std::uint64_t revision() const { return revision_; }
  ObserverId addObserver(Observer observer);
  void removeObserver(ObserverId id);

  // Folds the notifications of a group of changes into one, sent when the last batch ends.
  class Batch {
   public:
    explicit Batch(MenuModel& model);
    ~Batch();
    Batch(const Batch&) = delete;
    Batch& operator=(const Batch&) = delete;

   private:
    MenuModel& model_;
  };

 protected:
  // A subclass with a run of pairs answers these. The items it makes belong to this menu while
  // they stand in the run (adoptPairItem) and leave it when they no longer do (releasePairItem).
  virtual std::size_t pairCount() const { return 0; }
  virtual std::uint64_t pairAlternateMask() const { return 0; }
  // Item `index` of the run (pair index / 2, the alternate when odd), made on first request.
  virtual const MenuItemPtr& pairItem(std::size_t index) const;
  // The index in the run of an item of the run.
  virtual std::optional<std::size_t> pairItemIndex(const MenuItem& item) const;
  virtual void removePair(std::size_t pair);
  virtual void removeAllPairs() {}

  void adoptPairItem(MenuItem& item) const;
  void releasePairItem(MenuItem& item);
  // Puts the run before the item at `index` among the items outside it.
  void placePairRun(std::size_t index);
  // The run changed: observers hear of it.
  void pairsChanged() { changed(); }
  // Items outside the run.
  std::size_t plainItemCount() const { return items_.size(); }

 private:
  friend class MenuItem;
  void itemChanged();
  void attach(MenuItem& item);
  void detach(MenuItem& item);
  void changed();

  std::string title_;
  double minimumWidth_ = 0;
  std::vector<MenuItemPtr> items_;  // outside the run
  std::size_t pairsAt_ = 0;         // how many of items_ stand before the run
  mutable std::vector<MenuItemPtr> allItems_;
  mutable std::uint64_t allItemsRevision_ = ~std::uint64_t{0};
  MenuItemPtr highlighted_;
  std::uint64_t revision_ = 0;
  std::map<ObserverId, Observer> observers_;
  ObserverId nextObserverId_ = 1;
  int batchDepth_ = 0;
  bool pendingNotification_ = false;
};

}  // namespace marbrel
