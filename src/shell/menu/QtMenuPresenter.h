#pragma once

#include <memory>

#include <QObject>
#include <QPoint>

#include "core/platform/MenuPresenter.h"

namespace marbrel {

class MenuPopup;
class Strings;

// Shows menu models in a MenuPopup and answers where the screen and the pointer are. Converts
// between the core's screen coordinates (origin at the primary screen's bottom left, y upwards) and
// Qt's (origin at the top left, y downwards).
class QtMenuPresenter : public QObject, public MenuPresenter {
  Q_OBJECT

 public:
  // `strings` is not owned and outlives the presenter.
  explicit QtMenuPresenter(const Strings& strings, QObject* parent = nullptr);
  ~QtMenuPresenter() override;

  void setListener(MenuTrackingListener* listener) override { listener_ = listener; }
  void popUp(MenuModel& menu, ScreenPoint location) override;
  ScreenSize menuSize(const MenuModel& menu) const override;
  void cancelTracking() override;
  bool isMenuOpen() const override;
  std::optional<ScreenRect> mainScreenFrame() const override;
  ScreenPoint mouseLocation() const override;

  // Opens `menu` with its top-left corner at a point in Qt's global coordinates.
  void popUpAt(MenuModel& menu, QPoint topLeft);

  MenuPopup& popup() const { return *popup_; }

  static QPoint toQt(ScreenPoint point);
  static ScreenPoint fromQt(QPoint point);
  static ScreenRect fromQt(const QRect& rect);

 private:
  const Strings& strings_;
  MenuTrackingListener* listener_ = nullptr;
  std::unique_ptr<MenuPopup> popup_;
};

}  // namespace marbrel
