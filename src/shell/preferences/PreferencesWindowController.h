#pragma once

#include <memory>
#include <optional>
#include <vector>

#include <QObject>
#include <QString>
#include <QTimer>

namespace marbrel {

class PreferencePane;
class PreferencesMainWindow;
class PreferencesTabViewController;
class PreferencesWindowFrame;

// Owns the preference window: builds it around an ordered list of panes (the first pane gives the
// window its first size), shows it centred on its screen or where it was last left, and remembers
// its frame from then on.
class PreferencesWindowController : public QObject {
  Q_OBJECT

 public:
  // How long moves settle before the frame is written.
  static constexpr int kFrameSaveDelayMilliseconds = 400;

  // `panes` must not be empty. `frame` is not owned and outlives this object. `preferencesWord`
  // ends the window's title when there is a single pane.
  PreferencesWindowController(std::vector<std::unique_ptr<PreferencePane>> panes, bool animated,
                              bool hidesToolbarForSingleItem, PreferencesWindowFrame& frame,
                              QString preferencesWord);
  ~PreferencesWindowController() override;

  // Shows the window in front. With an identifier, its pane (the first pane when none has it);
  // without, the pane last shown (the first one at the first showing). At every showing the window
  // is centred on its screen, then moved to the remembered frame's place.
  void show(const std::optional<QString>& identifier = std::nullopt);

  bool hidesToolbarForSingleItem() const { return hidesToolbarForSingleItem_; }
  // Applies the toolbar's visibility at once.
  void setHidesToolbarForSingleItem(bool hides);

  PreferencesMainWindow& window() const { return *window_; }
  PreferencesTabViewController& tabViewController() const { return *tabViewController_; }

  // Writes the window's frame now if it is being remembered.
  void saveFrame();

 private:
  void applyToolbarVisibility();
  void placeWindow();
  void frameChanged();

  std::unique_ptr<PreferencesMainWindow> window_;
  PreferencesTabViewController* tabViewController_ = nullptr;
  PreferencesWindowFrame& frame_;
  bool hidesToolbarForSingleItem_ = true;
  // Moves and resizes are remembered only once the window has been placed by a showing.
  bool autosave_ = false;
  QTimer saveTimer_;
};

}  // namespace marbrel
