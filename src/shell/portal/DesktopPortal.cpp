#include "shell/portal/DesktopPortal.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>

namespace marbrel::desktop_portal {

namespace {

QDBusMessage propertyCall(const QString& interface, const QString& name) {
  QDBusMessage call =
      QDBusMessage::createMethodCall(kService, kPath, QStringLiteral("org.freedesktop.DBus.Properties"),
                                     QStringLiteral("Get"));
  call << interface << name;
  return call;
}

}  // namespace

QVariant property(const QDBusConnection& bus, const QString& interface, const QString& name, int timeoutMs) {
  if (!bus.isConnected()) return {};
  const QDBusMessage reply = bus.call(propertyCall(interface, name), QDBus::Block, timeoutMs);
  if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return {};
  return reply.arguments().constFirst().value<QDBusVariant>().variant();
}

uint interfaceVersion(const QDBusConnection& bus, const QString& interface, int timeoutMs) {
  return property(bus, interface, QStringLiteral("version"), timeoutMs).toUInt();
}

void askVersion(const QDBusConnection& bus, const QString& interface, QObject* context, std::function<void(uint)> done) {
  if (!bus.isConnected()) {
    QMetaObject::invokeMethod(context, [done = std::move(done)] { done(0); }, Qt::QueuedConnection);
    return;
  }
  auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(propertyCall(interface, QStringLiteral("version"))), context);
  QObject::connect(watcher, &QDBusPendingCallWatcher::finished, context,
                   [done = std::move(done)](QDBusPendingCallWatcher* w) {
                     w->deleteLater();
                     const QDBusPendingReply<QDBusVariant> reply = *w;
                     done(reply.isError() ? 0 : reply.value().variant().toUInt());
                   });
}

}  // namespace marbrel::desktop_portal
