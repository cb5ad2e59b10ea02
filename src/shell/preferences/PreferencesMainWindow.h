#pragma once

#include <functional>

#include <QMainWindow>

namespace marbrel {

// The preference window itself: titled and closable, sized by its panes, with a toolbar the user
// cannot hide. Reports its moves and resizes so that its frame can be remembered.
class PreferencesMainWindow : public QMainWindow {
  Q_OBJECT

 public:
  explicit PreferencesMainWindow(QWidget* parent = nullptr);

  // Called after the window moved or changed size, and when it is hidden.
  void setFrameChangedHandler(std::function<void()> handler) { frameChanged_ = std::move(handler); }

  // No menu offers to hide the toolbar.
  QMenu* createPopupMenu() override { return nullptr; }

 protected:
  void moveEvent(QMoveEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  std::function<void()> frameChanged_;
};

}  // namespace marbrel
