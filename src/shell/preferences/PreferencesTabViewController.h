#pragma once

#include <optional>
#include <vector>

#include <QPointer>
#include <QWidget>

class QAbstractAnimation;
class QMainWindow;
class QToolBar;
class QVBoxLayout;

namespace marbrel {

class PreferencePane;
class ToolbarItemStyleViewController;

// The preference window's content: shows one pane at a time, pinned to the window's edges, and
// switches panes by resizing the window to the new pane's size while keeping its top edge, with a
// 0.25-second ease-in-ease-out animation and a cross-fade when animated.
class PreferencesTabViewController : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kAnimationMilliseconds = 250;
  static constexpr const char* kToolbarIdentifier = "PreferencesToolbar";

  explicit PreferencesTabViewController(QWidget* parent = nullptr);
  ~PreferencesTabViewController() override;

  // Takes the panes (they become this widget's children, in order), makes the window's toolbar
  // (not movable, not hideable, icon above label) and its items. `window` is the one this widget is
  // the content of. `preferencesWord` ends the title when there is a single pane.
  void configure(std::vector<PreferencePane*> panes, QMainWindow& window, QString preferencesWord);

  const std::vector<PreferencePane*>& preferencePanes() const { return panes_; }
  std::optional<int> activeTab() const { return activeTab_; }
  bool isAnimated() const { return animated_; }
  void setAnimated(bool animated) { animated_ = animated; }
  QToolBar* toolbar() const { return toolbar_; }
  ToolbarItemStyleViewController* styleController() const { return styleController_; }

  // Shows pane `index` (ignored when there is no such pane) and selects its toolbar item; the
  // window's title becomes its title. Animated only when asked and isAnimated().
  void activateTab(int index, bool animated);

  // Shows the next (or, with -1, the previous) pane, wrapping around, as its toolbar item would.
  void activateNeighbour(int direction);

  // The pane-switching animation while it runs, else null (tests move its clock).
  QAbstractAnimation* runningTransition() const;

  // The window's size for showing a pane: the pane's fitting size plus the toolbar.
  QSize windowSizeForPane(const PreferencePane& pane) const;
  // The window's title while pane `index` is shown.
  QString titleForTab(int index) const;

 private:
  void transition(PreferencePane& from, PreferencePane& to, bool animated);
  void pin(PreferencePane& pane);
  void unpin(PreferencePane& pane);
  void resizeWindow(const QSize& size);

  std::vector<PreferencePane*> panes_;
  std::optional<int> activeTab_;
  bool animated_ = true;
  QVBoxLayout* layout_ = nullptr;
  QToolBar* toolbar_ = nullptr;
  ToolbarItemStyleViewController* styleController_ = nullptr;
  QPointer<QAbstractAnimation> transition_;
  QString preferencesWord_;
};

}  // namespace marbrel
