#include "shell/portal/DesktopPortal.h"

#include <QDBusMessage>
#include <QDBusVariant>

namespace marbrel::desktop_portal {

QVariant property(const QDBusConnection& bus, const QString& interface, const QString& name, int timeoutMs) {
  if (!bus.isConnected()) return {};
  QDBusMessage call =
      QDBusMessage::createMethodCall(kService, kPath, QStringLiteral("org.freedesktop.DBus.Properties"),
                                     QStringLiteral("Get"));
  call << interface << name;
  const QDBusMessage reply = bus.call(call, QDBus::Block, timeoutMs);
  if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return {};
  return reply.arguments().constFirst().value<QDBusVariant>().variant();
}

uint interfaceVersion(const QDBusConnection& bus, const QString& interface, int timeoutMs) {
  return property(bus, interface, QStringLiteral("version"), timeoutMs).toUInt();
}

}  // namespace marbrel::desktop_portal
