#include "shell/QtStatusItem.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>

#include "shell/MenuImages.h"
#include "shell/MenuPopup.h"
#include "shell/QtMenuPresenter.h"

namespace marbrel {

QtStatusItem::QtStatusItem(QtMenuPresenter& presenter, QObject* parent) : QObject(parent), presenter_(presenter) {
  tray_.setToolTip(QStringLiteral("Marbrel"));
  connect(&tray_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
    if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::Context ||
        reason == QSystemTrayIcon::MiddleClick) {
      openMenu();
    }
  });
}

QtStatusItem::~QtStatusItem() = default;

void QtStatusItem::setImage(const std::string& name) {
  const QIcon icon = ApplicationImages::named(name);
  if (!icon.isNull()) tray_.setIcon(icon);
}

void QtStatusItem::setVisible(bool visible) {
  visible_ = visible;
  tray_.setVisible(visible);
}

std::optional<ScreenRect> QtStatusItem::buttonWindowFrame() const {
  const QRect geometry = tray_.geometry();
  if (!visible_ || geometry.isEmpty()) return std::nullopt;
  return QtMenuPresenter::fromQt(geometry);
}

void QtStatusItem::openMenu() {
  if (!menu_) return;
  // Below the icon when the tray is at the top of the screen, above it when at the bottom.
  QRect icon = tray_.geometry();
  if (icon.isEmpty()) icon = QRect(QCursor::pos(), QSize(1, 1));
  const QScreen* screen = QGuiApplication::screenAt(icon.center());
  if (!screen) screen = QGuiApplication::primaryScreen();
  const QSize size = presenter_.popup().sizeFor(*menu_);
  QPoint topLeft(icon.left(), icon.bottom() + 1);
  if (screen && icon.center().y() > screen->geometry().center().y()) topLeft.setY(icon.top() - size.height());
  presenter_.popUpAt(*menu_, topLeft);
}

}  // namespace marbrel
