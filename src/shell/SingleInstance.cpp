#include "shell/SingleInstance.h"

#include <unistd.h>

#include <QCryptographicHash>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTimer>

namespace marbrel {

namespace {

constexpr char kReopen[] = "reopen\n";
constexpr char kAnswer[] = "ok\n";

}  // namespace

SingleInstance::SingleInstance(QString name, QObject* parent) : QObject(parent), name_(std::move(name)) {}

SingleInstance::~SingleInstance() {
  if (server_) server_->close();
}

QString SingleInstance::serverName() {
  // Display names hold characters a socket name should not (":", "/"); a short digest keeps any.
  const QByteArray display = qgetenv("DISPLAY");
  const QByteArray digest = QCryptographicHash::hash(display, QCryptographicHash::Sha1).toHex().left(12);
  return QStringLiteral("marbrel-%1-%2").arg(::getuid()).arg(QString::fromLatin1(digest));
}

bool SingleInstance::askRunningInstanceToReopen(int timeoutMilliseconds) {
  QLocalSocket socket;
  socket.connectToServer(name_);
  if (!socket.waitForConnected(timeoutMilliseconds)) return false;
  socket.write(kReopen);
  if (!socket.waitForBytesWritten(timeoutMilliseconds)) return false;
  // The answer says the running program took the request (and is not a dead socket's leftover).
  while (!socket.canReadLine()) {
    if (!socket.waitForReadyRead(timeoutMilliseconds)) return false;
  }
  return socket.readLine() == kAnswer;
}

bool SingleInstance::listen(std::function<void()> onReopen) {
  onReopen_ = std::move(onReopen);
  server_ = std::make_unique<QLocalServer>();
  server_->setSocketOptions(QLocalServer::UserAccessOption);
  if (!server_->listen(name_)) {
    // A socket file left by a program that died: nobody answered on it, so take it over.
    QLocalServer::removeServer(name_);
    if (!server_->listen(name_)) return false;
  }
  connect(server_.get(), &QLocalServer::newConnection, this, [this] {
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
      connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
      connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
        while (socket->canReadLine()) {
          if (socket->readLine() != kReopen) continue;
          socket->write(kAnswer);
          socket->flush();
          // On a later turn: the other launch gets its answer before a menu opens here.
          QTimer::singleShot(0, this, [this] {
            if (onReopen_) onReopen_();
          });
        }
      });
    }
  });
  return true;
}

}  // namespace marbrel
