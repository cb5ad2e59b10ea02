#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include <QPointer>
#include <QWidget>

#include "core/menu/MenuModel.h"
#include "shell/menu/MarkedTitle.h"
#include "shell/menu/MenuImages.h"
#include "shell/menu/MenuRows.h"
#include "shell/menu/TitleWidths.h"

namespace marbrel {

class MenuTrackingListener;
class SearchHeaderItem;
class SearchHeaderView;
class Strings;

// A frameless pop-up that draws a menu model and behaves like a native menu: it grabs the keyboard
// and pointer, highlights on hover, chooses on click or Return, closes on Escape or a click outside,
// scrolls when taller than the screen, shows tooltips and key equivalents, and swaps in each
// alternate while its modifiers are held. Every key press goes to the listener first; only what it
// leaves is handled here. Only the rows in view are drawn, and only they are measured: the pop-up
// opens as wide as the rows of its first screen need and widens when wider rows come into view.
class MenuPopup : public QWidget {
  Q_OBJECT

 public:
  // `strings` is not owned and outlives the pop-up.
  explicit MenuPopup(const Strings& strings, QWidget* parent = nullptr);
  ~MenuPopup() override;

  // Shows `menu` (not owned) with its top-left corner at `topLeft` (global pixels, moved to stay on
  // the screen). `listener` (not owned, may be null) hears key presses; `closed` runs once the pop-up
  // has closed.
  void open(MenuModel& menu, QPoint topLeft, MenuTrackingListener* listener, std::function<void()> closed);
  // Closes without choosing.
  void closeMenu();
  // Asked each time a menu opens whether the desktop wants increased contrast (none: never).
  void setContrastSource(std::function<bool()> source) { contrastSource_ = std::move(source); }
  bool isOpen() const { return menu_ != nullptr; }
  // Makes the pop-up a focused floating window instead (closing when it loses the focus): under a
  // Wayland compositor an XWayland pop-up gets the keyboard only while it has the focus.
  void useFocusedWindow();
  // Runs each time the focused window has been shown, to ask the desktop to give it the keyboard.
  void setActivationRequest(std::function<void(QWidget&)> request) { activationRequest_ = std::move(request); }
  MenuModel* menu() const { return menu_; }

  // The size the pop-up takes for `menu` now, in pixels.
  QSize sizeFor(const MenuModel& menu) const;

  // What the pop-up shows, for tests and screenshots.
  const MenuLayout& rows() const { return rows_; }
  std::uint64_t heldFlags() const { return heldFlags_; }
  int scrollOffset() const { return scroll_; }
  SearchHeaderView* headerView() const { return headerView_; }
  // Closes the pop-up, then runs the item's action.
  void choose(const MenuItemPtr& item);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  // Nothing the pop-up draws depends on its focus, so gaining or losing it repaints nothing (a
  // full repaint as it opens would hold up the first key typed into it).
  void focusInEvent(QFocusEvent*) override {}
  void focusOutEvent(QFocusEvent*) override {}
  bool event(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void modelChanged();
  void relayout();
  // Keeps the scroll position and the header view in step with the rows laid out.
  void placeRows();
  // The size for the open menu, from the rows laid out when they are those of no modifier held.
  QSize sizeNow() const;
  // The size for `menu` laid out as `rows` with no modifier held, as wide as its rows outside the
  // run and the run's rows on the first screen need.
  QSize sizeOfRows(const MenuModel& menu, const MenuLayout& rows) const;
  // The width a row showing `item` needs (its title's marks drawn bold).
  int rowWidth(const MenuItem& item) const;
  // The same with the title `titleWidth` wide.
  int rowWidthWithTitle(const MenuItem& item, int titleWidth) const;
  // Makes the pop-up wide enough for a row drawn `width` wide.
  void widenFor(int width);
  void syncHeaderView();
  void setHeldFlags(std::uint64_t flags);
  // Makes the highlight follow the held modifiers: an alternate shown in its primary's row is the
  // highlighted item there.
  void syncHighlightWithAlternates();
  void scrollToRow(int row);
  void scrollBy(int pixels);
  int viewportHeight() const;
  int rowAtPosition(QPoint position) const;
  void moveHighlight(int direction);
  bool handleKeyEquivalent(const QKeyEvent& event);
  void finishClosing();
  void grabInput();

  const Strings& strings_;
  MenuModel* menu_ = nullptr;
  MenuModel::ObserverId observer_ = 0;
  MenuTrackingListener* listener_ = nullptr;
  std::function<void()> closed_;
  std::function<bool()> contrastSource_;
  bool increasedContrast_ = false;
  MenuLayout rows_;
  int widest_ = 0;  // the widest row drawn since the menu opened
  std::uint64_t heldFlags_ = 0;
  int scroll_ = 0;
  int maxHeight_ = 0;
  std::shared_ptr<SearchHeaderItem> headerItem_;
  SearchHeaderView* headerView_ = nullptr;
  MenuImagePainter images_;
  mutable TitleWidths titleWidths_;  // sizing measures each title once
  mutable MarkedTitle markedTitle_;
  bool closing_ = false;
  bool syncing_ = false;
  bool forwarding_ = false;  // a key press the listener left is on its way to a newly focused widget
  bool pressedInside_ = false;
  bool focusedWindow_ = false;
  std::function<void(QWidget&)> activationRequest_;
  int grabAttempts_ = 0;
  const MenuItem* lastHighlight_ = nullptr;
};

}  // namespace marbrel
