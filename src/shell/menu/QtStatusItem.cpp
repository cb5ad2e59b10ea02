#include "shell/menu/QtStatusItem.h"

#include <QCursor>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <QGuiApplication>
#include <QScreen>

#include "shell/menu/MenuImages.h"
#include "shell/menu/MenuPopup.h"
#include "shell/menu/QtMenuPresenter.h"

namespace marbrel {

namespace {

const QString kWatcher = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString kWatcherPath = QStringLiteral("/StatusNotifierWatcher");
const QString kHostRegistered = QStringLiteral("StatusNotifierHostRegistered");

}  // namespace

QtStatusItem::QtStatusItem(QtMenuPresenter& presenter, bool waitForTrayHost, QObject* parent)
    : QObject(parent), presenter_(presenter) {
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!waitForTrayHost || !bus.isConnected()) {
    makeIcon();
    return;
  }
  // A watcher that starts, or a host that registers with the running one, may bring the host.
  auto* starts = new QDBusServiceWatcher(kWatcher, bus, QDBusServiceWatcher::WatchForRegistration, this);
  connect(starts, &QDBusServiceWatcher::serviceRegistered, this, [this] { askWhetherHostRegistered(); });
  bus.connect(QString(), kWatcherPath, kWatcher, kHostRegistered, this, SLOT(askWhetherHostRegistered()));
  askWhetherHostRegistered();
}

QtStatusItem::~QtStatusItem() = default;

void QtStatusItem::makeIcon() {
  tray_ = std::make_unique<QSystemTrayIcon>();
  tray_->setToolTip(QStringLiteral("Marbrel"));
  if (!image_.isNull()) tray_->setIcon(image_);
  connect(tray_.get(), &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
    if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::Context ||
        reason == QSystemTrayIcon::MiddleClick) {
      openMenu();
    }
  });
  tray_->setVisible(visible_);
}

void QtStatusItem::askWhetherHostRegistered() {
  if (tray_) return;
  QDBusMessage get = QDBusMessage::createMethodCall(kWatcher, kWatcherPath, QStringLiteral("org.freedesktop.DBus.Properties"),
                                                    QStringLiteral("Get"));
  get << kWatcher << QStringLiteral("IsStatusNotifierHostRegistered");
  auto* reply = new QDBusPendingCallWatcher(QDBusConnection::sessionBus().asyncCall(get), this);
  connect(reply, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* call) {
    call->deleteLater();
    const QDBusPendingReply<QDBusVariant> answer = *call;
    if (tray_ || answer.isError() || !answer.value().variant().toBool()) return;
    QDBusConnection::sessionBus().disconnect(QString(), kWatcherPath, kWatcher, kHostRegistered, this,
                                             SLOT(askWhetherHostRegistered()));
    makeIcon();
  });
}

void QtStatusItem::setImage(const std::string& name) {
  const QIcon icon = ApplicationImages::named(name);
  if (icon.isNull()) return;
  image_ = icon;
  if (tray_) tray_->setIcon(icon);
}

void QtStatusItem::setVisible(bool visible) {
  visible_ = visible;
  if (tray_) tray_->setVisible(visible);
}

std::optional<ScreenRect> QtStatusItem::buttonWindowFrame() const {
  const QRect geometry = iconGeometry();
  if (!visible_ || geometry.isEmpty()) return std::nullopt;
  return QtMenuPresenter::fromQt(geometry);
}

void QtStatusItem::openMenu() {
  if (!menu_) return;
  // Below the icon when the tray is at the top of the screen, above it when at the bottom.
  QRect icon = iconGeometry();
  if (icon.isEmpty()) icon = QRect(QCursor::pos(), QSize(1, 1));
  const QScreen* screen = QGuiApplication::screenAt(icon.center());
  if (!screen) screen = QGuiApplication::primaryScreen();
  const QSize size = presenter_.popup().sizeFor(*menu_);
  QPoint topLeft(icon.left(), icon.bottom() + 1);
  if (screen && icon.center().y() > screen->geometry().center().y()) topLeft.setY(icon.top() - size.height());
  presenter_.popUpAt(*menu_, topLeft);
}

}  // namespace marbrel
