#pragma once

#include <memory>

#include <QIcon>
#include <QObject>
#include <QSystemTrayIcon>

#include "core/platform/StatusItem.h"

namespace marbrel {

class QtMenuPresenter;

// The status item as a system tray icon. A click opens its menu through the presenter, below (or
// above) the icon. The icon appears by itself when a tray starts after the program. Users cannot
// remove a tray icon here, so the visibility observer is never called.
class QtStatusItem : public QObject, public StatusItem {
  Q_OBJECT

 public:
  // `presenter` is not owned and outlives the item. `waitForTrayHost` is for Wayland sessions with
  // no X11 tray, whose trays are hosts on the session bus: Qt looks for such a host once, when the
  // first icon is made, and without one falls back to an X11 tray that will not come, so a bar that
  // comes up after the program (at log-in, after a reload) would never get the icon. The icon is
  // then made once a host has registered with the StatusNotifierWatcher.
  explicit QtStatusItem(QtMenuPresenter& presenter, bool waitForTrayHost = false, QObject* parent = nullptr);
  ~QtStatusItem() override;

  bool hasButton() const override { return true; }
  void setImage(const std::string& name) override;
  void setMenu(MenuModel* menu) override { menu_ = menu; }
  void setRemovalAllowed(bool) override {}
  bool isVisible() const override { return visible_; }
  void setVisible(bool visible) override;
  void setVisibilityObserver(VisibilityObserver observer) override { observer_ = std::move(observer); }
  std::optional<ScreenRect> buttonWindowFrame() const override;

  // Opens the menu at the icon, as a click does.
  void openMenu();

 private:
  void makeIcon();
  Q_SLOT void askWhetherHostRegistered();
  QRect iconGeometry() const { return tray_ ? tray_->geometry() : QRect(); }

  QtMenuPresenter& presenter_;
  std::unique_ptr<QSystemTrayIcon> tray_;  // none until a tray host is known, where one is awaited
  QIcon image_;
  MenuModel* menu_ = nullptr;
  bool visible_ = false;
  VisibilityObserver observer_;
};

}  // namespace marbrel
