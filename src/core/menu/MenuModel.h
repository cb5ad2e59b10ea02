#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "core/menu/MenuItem.h"

namespace marbrel {

// A toolkit-neutral menu: an ordered list of items and a keyboard highlight. The shell draws it
// and feeds choices back; observers hear of every change so the view can redraw.
class MenuModel {
 public:
  using Observer = std::function<void()>;
  using ObserverId = std::uint64_t;

  explicit MenuModel(std::string title = "");
  virtual ~MenuModel();
  MenuModel(const MenuModel&) = delete;
  MenuModel& operator=(const MenuModel&) = delete;

  const std::string& title() const { return title_; }
  double minimumWidth() const { return minimumWidth_; }
  void setMinimumWidth(double width);

  std::size_t size() const { return items_.size(); }
  bool empty() const { return items_.empty(); }
  const std::vector<MenuItemPtr>& items() const { return items_; }
  const MenuItemPtr& itemAt(std::size_t index) const { return items_.at(index); }
  // Membership is by identity and costs nothing.
  bool contains(const MenuItem& item) const { return item.menu_ == this; }
  std::optional<std::size_t> indexOf(const MenuItem& item) const;
  // The first item carrying `tag`, or null.
  MenuItemPtr itemWithTag(int tag) const;

  // Adds at the end. An item that is in a menu already (this one included) leaves it first.
  void addItem(MenuItemPtr item);
  // Inserts at `index`; an index past the end appends.
  void insertItem(MenuItemPtr item, std::size_t index);
  void insertItems(const std::vector<MenuItemPtr>& items, std::size_t index);
  void removeItemAt(std::size_t index);
  // Removes `item` when it is in this menu.
  void removeItem(const MenuItem& item);
  // Removes every item for which `predicate` holds, keeping the others in order.
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

 private:
  friend class MenuItem;
  void itemChanged();
  void attach(MenuItem& item);
  void detach(MenuItem& item);
  void changed();

  std::string title_;
  double minimumWidth_ = 0;
  std::vector<MenuItemPtr> items_;
  MenuItemPtr highlighted_;
  std::uint64_t revision_ = 0;
  std::map<ObserverId, Observer> observers_;
  ObserverId nextObserverId_ = 1;
  int batchDepth_ = 0;
  bool pendingNotification_ = false;
};

}  // namespace marbrel
