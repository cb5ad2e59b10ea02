#pragma once

#include <functional>

#include <QDBusConnection>
#include <QObject>
#include <QString>

namespace marbrel::desktop_portal {

// The freedesktop desktop portal on the session bus: its names, and the version of one of its
// interfaces (0 when the portal or the interface is not there).
inline const QString kService = QStringLiteral("org.freedesktop.portal.Desktop");
inline const QString kPath = QStringLiteral("/org/freedesktop/portal/desktop");
inline const QString kGlobalShortcuts = QStringLiteral("org.freedesktop.portal.GlobalShortcuts");
inline const QString kRemoteDesktop = QStringLiteral("org.freedesktop.portal.RemoteDesktop");
inline const QString kRequest = QStringLiteral("org.freedesktop.portal.Request");
inline const QString kSession = QStringLiteral("org.freedesktop.portal.Session");

// Reads the interface's "version" property, waiting at most `timeoutMs` for the answer (the bus
// starts the portal when it is installed but not running); a bus without a portal answers at once.
// For one-shot commands: the running program asks with askVersion.
uint interfaceVersion(const QDBusConnection& bus, const QString& interface, int timeoutMs = 5000);

// Asks for the interface's "version" property without waiting: `done` gets it on the event loop (0
// when the portal or the interface is not there), unless `context` goes away first.
void askVersion(const QDBusConnection& bus, const QString& interface, QObject* context, std::function<void(uint)> done);

// A property of the portal's interface, or an invalid variant.
QVariant property(const QDBusConnection& bus, const QString& interface, const QString& name, int timeoutMs = 5000);

}  // namespace marbrel::desktop_portal
