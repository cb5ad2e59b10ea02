#pragma once

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
  // `presenter` is not owned and outlives the item.
  explicit QtStatusItem(QtMenuPresenter& presenter, QObject* parent = nullptr);
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
  QSystemTrayIcon& trayIcon() { return tray_; }

 private:
  QtMenuPresenter& presenter_;
  QSystemTrayIcon tray_;
  MenuModel* menu_ = nullptr;
  bool visible_ = false;
  VisibilityObserver observer_;
};

}  // namespace marbrel
