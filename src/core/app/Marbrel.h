#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "core/app/AppEnvironment.h"
#include "core/config/Defaults.h"
#include "core/platform/MenuPresenter.h"

namespace marbrel {

class Clipboard;
class History;
class HistoryStore;
class Menu;
class MenuItem;
class SearchHeader;
class SearchHeaderItem;

// The program's controller: owns the history store, the clipboard watcher and the history menu
// for the life of the process, wires them together, pops the menu up, keeps the status item's
// visibility in step with its setting, builds the menu's header and footer and runs the footer's
// commands.
class Marbrel : public MenuTrackingListener {
 public:
  static constexpr const char* kTitle = "Marbrel";
  static constexpr const char* kStatusItemImage = "StatusBarMenuIcon";
  static constexpr double kHeaderWidth = 300;

  // Creates everything in order and starts capturing (see start()).
  explicit Marbrel(AppEnvironment environment);
  ~Marbrel() override;
  Marbrel(const Marbrel&) = delete;
  Marbrel& operator=(const Marbrel&) = delete;

  // Opens the menu where "popupPosition" says: at the pointer, at the status item's window (at the
  // pointer when that is unknown), or centred on the screen with the pointer (nothing without one).
  void popUp();

  // Runs the footer command of `sender`'s tag: 101 clear, 106 clear all, 107 preferences,
  // 103 about, 104 quit; other tags do nothing.
  void menuItemAction(MenuItem& sender);

  // Takes every item out of the menu and adds the header and footer again (a display setting
  // changed). An open menu gets its history rows back at once, for the query typed and with the
  // same row highlighted; a closed one at its next opening.
  void resetMenu();

  // Menu tracking, as the presenter reports it.
  void menuWillOpen(MenuModel& menu) override;
  void menuDidClose(MenuModel& menu) override;
  bool menuKeyDown(MenuModel& menu, std::uint16_t keyCode, std::uint64_t flags,
                   const std::optional<std::string>& characters) override;

  HistoryStore& store() const { return *store_; }
  History& history() const { return *history_; }
  Clipboard& clipboard() const { return *clipboard_; }
  Menu& menu() const { return *menu_; }
  // The search header in the menu now (a rebuild replaces it).
  SearchHeader& header() const;
  // Whether capturing is paused because a menu or an alert is open.
  bool isCaptureSuspended() const { return suspensions_ > 0; }

 private:
  // Installs the status item with the menu, hooks the store to the watcher, starts polling, and
  // adds the header and footer.
  void start();
  void populateHeader();
  void populateFooter();
  void installObservers();
  void removeObservers();
  void statusItemSettingChanged();
  void statusItemVisibilityChanged(bool visible);
  // Asks the user to confirm a command; true only for the second button, "ok".
  bool confirm(const std::string& informativeKey);
  void clear();
  void clearAll();
  // Capturing pauses while menus and alerts are open; they may nest (an alert from the open menu).
  void suspendCapture();
  void resumeCapture();

  AppEnvironment env_;
  std::unique_ptr<HistoryStore> store_;
  std::unique_ptr<Clipboard> clipboard_;
  std::unique_ptr<History> history_;
  std::unique_ptr<Menu> menu_;
  std::shared_ptr<SearchHeaderItem> headerItem_;
  Defaults::ObserverId hideFooterObserver_ = 0;
  Defaults::ObserverId hideSearchObserver_ = 0;
  Defaults::ObserverId hideTitleObserver_ = 0;
  Defaults::ObserverId pasteByDefaultObserver_ = 0;
  Defaults::ObserverId statusItemConfigurationObserver_ = 0;
  bool statusItemVisibilityObserved_ = false;
  int suspensions_ = 0;
  bool menuOpen_ = false;
};

}  // namespace marbrel
