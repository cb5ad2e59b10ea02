#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "core/history/Throttler.h"
#include "core/menu/SearchHeaderKeyLayer.h"
#include "core/menu/SearchHeaderLayout.h"

namespace marbrel {

class Configuration;
class MainQueue;
class Menu;
class MenuItem;
class MenuPresenter;
class QueryFieldEditor;
class Sauce;

// The model behind the history menu's first row: the title and the search query, which part of
// the header has the keyboard focus, and the throttled filtering of the menu as the query changes.
// While the menu is open it is also the menu's keyboard command layer (see SearchHeaderKeyLayer).
class SearchHeader {
 public:
  // Who has the keyboard focus inside the open menu: nobody, the menu's window itself, the query
  // field, or the query field's editor (the field is being edited).
  enum class Focus { none, window, queryField, fieldEditor };

  // The shortcut that opens the menu: a virtual key code and the Cocoa modifier flags it needs.
  struct PopupShortcut {
    std::uint16_t keyCode = 0;
    std::uint64_t modifierFlags = 0;
  };
  using PopupShortcutReader = std::function<std::optional<PopupShortcut>()>;

  // What the header works with; none of it is owned and all of it outlives the header.
  struct Services {
    const Configuration& configuration;
    MainQueue& queue;
    MenuPresenter& presenter;
    const Sauce& sauce;
    // Reads the stored "popup" shortcut each time it is needed; may be empty (no shortcut).
    PopupShortcutReader popupShortcut;
  };

  using Observer = std::function<void()>;
  using ObserverId = std::uint64_t;

  static constexpr double kSearchDelay = 0.2;

  // A header of the given size, laid out for the current "hideSearch" and "hideTitle".
  SearchHeader(double width, double height, Services services);
  ~SearchHeader();
  SearchHeader(const SearchHeader&) = delete;
  SearchHeader& operator=(const SearchHeader&) = delete;

  double width() const { return width_; }
  double height() const { return height_; }
  const SearchHeaderLayout& layout() const { return layout_; }

  const std::string& title() const { return title_; }
  void setTitle(std::string title);

  const std::string& query() const { return query_; }
  // Replaces the query; with `filter`, hands the filtering to the throttler.
  void setQuery(const std::string& query, bool filter);
  // Filters the enclosing menu with the query as it is now; does nothing without a menu, or once
  // the header's row has left it.
  void applyQuery();
  // Hands applyQuery to the throttler: at once after a quiet spell, else 0.2 s after the last run.
  void scheduleApplyQuery();
  // Runs a filter that waits in the throttler now, so the rows are those of the query shown.
  void applyPendingQuery();

  Focus focus() const { return focus_; }
  // Whether the query field may take the focus: not before the open menu has been drawn.
  bool fieldAcceptsFocus() const { return fieldAcceptsFocus_; }
  // Gives the query field the focus when it accepts it (its editor then edits it); returns whether
  // it has the focus now.
  bool makeQueryFieldFirstResponder();
  // The query field's editor while the field is being edited, else null.
  QueryFieldEditor* fieldEditor() const;

  // The history menu this header's row is in, worked out on first use and kept; null when the row
  // was in no history menu then.
  Menu* menu();
  // Closes the open menu.
  void cancelTracking();
  // Runs the action of the menu's item with `tag`, if there is one, then closes the menu.
  void performMenuItemAction(int tag);

  const Configuration& configuration() const { return services_.configuration; }
  const Sauce& sauce() const { return services_.sauce; }
  std::optional<PopupShortcut> popupShortcut() const;

  // Events from the shell's view.
  // The row's view entered (the menu opens) or left (the menu closed) a window. Key interception
  // lasts while it is in one; leaving clears the query on a later turn.
  void movedToWindow(bool inWindow);
  bool isIntercepting() const { return intercepting_; }
  // The view was drawn: the query field may take the focus from now on.
  void didDraw();
  // The user edited the text of the focused query field (not called for changes made by setQuery).
  void textDidChange(const std::string& text);
  // A command the focused field received ("insertTab:"); true when the header handled it.
  bool doCommandBySelector(const std::string& selector);
  // The view reports a focus change it made itself (a click into the field or elsewhere).
  void setFocus(Focus focus);
  // The editor of the query field; null when the view has none. Not owned.
  void setFieldEditor(QueryFieldEditor* editor) { fieldEditor_ = editor; }

  // A key press while the menu is open, before the menu sees it. Returns true when handled: the key
  // then goes no further.
  bool onKeyDown(std::uint16_t keyCode, std::uint64_t flags, const std::optional<std::string>& characters);

  // The menu row that carries this header; set by that row. Not owned.
  void setMenuItem(MenuItem* item) { item_ = item; }
  MenuItem* menuItem() const { return item_; }

  // Observers hear of every change of title, query or focus, so the view can follow.
  ObserverId addObserver(Observer observer);
  void removeObserver(ObserverId id);

 private:
  void changed();

  Services services_;
  double width_;
  double height_;
  SearchHeaderLayout layout_;
  std::string title_;
  std::string query_;
  Focus focus_ = Focus::none;
  bool fieldAcceptsFocus_ = false;
  bool intercepting_ = false;
  Throttler searchThrottler_;
  MenuItem* item_ = nullptr;
  std::optional<Menu*> customMenu_;
  QueryFieldEditor* fieldEditor_ = nullptr;
  SearchHeaderKeyLayer keyLayer_;
  std::map<ObserverId, Observer> observers_;
  ObserverId nextObserverId_ = 1;
  // Work queued for later turns checks this first: the header may be gone by then.
  std::shared_ptr<SearchHeader*> self_;
};

}  // namespace marbrel
