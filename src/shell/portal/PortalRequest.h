#pragma once

#include <functional>

#include <QDBusConnection>
#include <QObject>
#include <QVariantMap>

namespace marbrel {

// One call to the desktop portal that answers later through a Request object's Response signal
// (the user may first see a dialog). It listens on the request's path before calling, so an answer
// that comes at once is not missed, and deletes itself once answered or failed. A portal that leaves
// the bus meanwhile fails the call.
class PortalRequest : public QObject {
  Q_OBJECT

 public:
  // The response codes: success, the user cancelled, or the desktop ended the call otherwise.
  static constexpr uint kSuccess = 0;
  static constexpr uint kCancelled = 1;
  static constexpr uint kFailed = 2;

  using Done = std::function<void(uint response, const QVariantMap& results)>;

  // Calls `method` of the portal's `interface` with `arguments`, whose last one must be the options
  // map (a "handle_token" is added to it). `done` runs once, on the event loop, unless `context`
  // goes away first; a call the bus refuses, or one the portal leaves unanswered by leaving the bus,
  // answers kFailed.
  static void call(const QDBusConnection& bus, const QString& interface, const QString& method,
                   QVariantList arguments, QObject* context, Done done);

  // A fresh token for a request or session handle, unique within this process.
  static QString newToken(const char* prefix);

 private Q_SLOTS:
  void onResponse(uint response, const QVariantMap& results);

 private:
  PortalRequest(const QDBusConnection& bus, QObject* context, Done done);
  bool listen(const QString& path);
  void stopListening();
  void finish(uint response, const QVariantMap& results);

  QDBusConnection bus_;
  Done done_;
  QString path_;
  bool finished_ = false;
};

}  // namespace marbrel
