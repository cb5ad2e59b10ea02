#include "shell/portal/PortalRequest.h"

#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QPointer>

#include "shell/portal/DesktopPortal.h"

namespace marbrel {

namespace {

// The part of a request's path the portal derives from our unique bus name: ":1.42" -> "1_42".
QString senderPart(const QDBusConnection& bus) {
  QString name = bus.baseService();
  if (name.startsWith(u':')) name.remove(0, 1);
  return name.replace(u'.', u'_');
}

}  // namespace

PortalRequest::PortalRequest(const QDBusConnection& bus, QObject* context, Done done)
    : QObject(context), bus_(bus), done_(std::move(done)) {}

QString PortalRequest::newToken(const char* prefix) {
  static unsigned counter = 0;
  return QStringLiteral("marbrel_%1_%2").arg(QLatin1String(prefix)).arg(++counter);
}

bool PortalRequest::listen(const QString& path) {
  path_ = path;
  return bus_.connect(desktop_portal::kService, path, desktop_portal::kRequest, QStringLiteral("Response"), this,
                      SLOT(onResponse(uint, QVariantMap)));
}

void PortalRequest::stopListening() {
  if (path_.isEmpty()) return;
  bus_.disconnect(desktop_portal::kService, path_, desktop_portal::kRequest, QStringLiteral("Response"), this,
                  SLOT(onResponse(uint, QVariantMap)));
  path_.clear();
}

void PortalRequest::call(const QDBusConnection& bus, const QString& interface, const QString& method,
                         QVariantList arguments, QObject* context, Done done) {
  auto* request = new PortalRequest(bus, context, std::move(done));
  const QString token = newToken("request");
  QVariantMap options = arguments.isEmpty() ? QVariantMap() : arguments.takeLast().toMap();
  options.insert(QStringLiteral("handle_token"), token);
  arguments.append(options);
  request->listen(QStringLiteral("/org/freedesktop/portal/desktop/request/%1/%2").arg(senderPart(bus), token));
  // The portal that would answer stops (or is replaced): no Response comes from it any more.
  auto* portal = new QDBusServiceWatcher(desktop_portal::kService, bus, QDBusServiceWatcher::WatchForOwnerChange, request);
  QObject::connect(portal, &QDBusServiceWatcher::serviceOwnerChanged, request,
                   [request](const QString&, const QString& oldOwner, const QString&) {
                     if (!oldOwner.isEmpty()) request->finish(kFailed, {});
                   });

  QDBusMessage message = QDBusMessage::createMethodCall(desktop_portal::kService, desktop_portal::kPath, interface, method);
  message.setArguments(arguments);
  auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(message), request);
  QObject::connect(watcher, &QDBusPendingCallWatcher::finished, request, [request](QDBusPendingCallWatcher* w) {
    w->deleteLater();
    const QDBusPendingReply<QDBusObjectPath> reply = *w;
    if (reply.isError()) {
      request->finish(kFailed, {});
      return;
    }
    // Frontends older than the handle_token convention choose another path: follow it.
    const QString handle = reply.value().path();
    if (handle != request->path_ && !request->finished_) {
      request->stopListening();
      request->listen(handle);
    }
  });
}

void PortalRequest::onResponse(uint response, const QVariantMap& results) { finish(response, results); }

void PortalRequest::finish(uint response, const QVariantMap& results) {
  if (finished_) return;
  finished_ = true;
  stopListening();
  // The answer is acted on from the event loop, never from inside the bus's dispatch.
  QMetaObject::invokeMethod(
      this,
      [this, response, results] {
        if (done_) done_(response, results);
        deleteLater();
      },
      Qt::QueuedConnection);
}

}  // namespace marbrel
