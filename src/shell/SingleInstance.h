#pragma once

#include <functional>
#include <memory>

#include <QObject>
#include <QString>

class QLocalServer;

namespace marbrel {

// Keeps one running program per user and display. The first launch listens on a local socket; a
// later launch finds it, asks it to reopen (pop its menu up) and leaves.
class SingleInstance : public QObject {
  Q_OBJECT

 public:
  // `name` is the socket's name; serverName() makes the usual one.
  explicit SingleInstance(QString name, QObject* parent = nullptr);
  ~SingleInstance() override;

  // The socket name for the current user and display ($DISPLAY).
  static QString serverName();

  // Asks a running program to reopen. True when one answered; the caller then exits.
  bool askRunningInstanceToReopen(int timeoutMilliseconds = 3000);

  // Starts listening (taking over a socket left by a program that died). `onReopen` runs for every
  // later launch. False when the socket could not be made.
  bool listen(std::function<void()> onReopen);

 private:
  QString name_;
  std::unique_ptr<QLocalServer> server_;
  std::function<void()> onReopen_;
};

}  // namespace marbrel
