#include "shell/SingleInstance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <iostream>

#include <QDeadlineTimer>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>
#include <QTimer>

#include "launcher/HandOver.h"

namespace marbrel {

namespace {

// Whether a program answers connections on the socket `name` now (a file left by one that died
// refuses them).
bool someoneListens(const QString& name) {
  QLocalSocket socket;
  socket.connectToServer(name);
  return socket.waitForConnected(1000);
}

}  // namespace

SingleInstance::SingleInstance(QString name, QObject* parent) : QObject(parent), name_(std::move(name)) {}

SingleInstance::~SingleInstance() {
  if (server_) server_->close();
  releaseLock();
}

void SingleInstance::releaseLock() {
  if (lockFd_ >= 0) ::close(lockFd_);  // closing drops the lock
  lockFd_ = -1;
}

bool SingleInstance::tryLock() {
  if (lockFd_ < 0) {
    const QByteArray path = QFile::encodeName(name_ + QStringLiteral(".lock"));
    lockFd_ = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (lockFd_ < 0) return false;
  }
  while (::flock(lockFd_, LOCK_EX | LOCK_NB) != 0) {
    if (errno != EINTR) return false;
  }
  return true;
}

SingleInstance::Role SingleInstance::claim(Others others, int timeoutMilliseconds) {
  const QDeadlineTimer deadline(timeoutMilliseconds);
  while (true) {
    if (tryLock()) {
      // Holding the lock without listening would leave every later launch waiting for an answer.
      if (!listen()) releaseLock();
      return Role::running;
    }
    if (lockFd_ < 0) {
      // No lock to be had here (an odd runtime folder): the socket alone decides, as well as it can.
      if (others == Others::leaveAlone && someoneListens(name_)) return Role::elsewhere;
      if (others == Others::askToReopen && askToReopen(3000)) return Role::handedOver;
      listen();
      return Role::running;
    }
    if (others == Others::leaveAlone) return Role::elsewhere;
    // Another program holds the lock: it listens, or is about to (it does so right after locking),
    // and answers once its start-up is done.
    if (askToReopen(int(std::max<qint64>(deadline.remainingTime(), 0)))) return Role::handedOver;
    if (deadline.hasExpired()) return Role::unanswered;
    QThread::msleep(50);
  }
}

bool SingleInstance::askToReopen(int timeoutMilliseconds) {
  const QDeadlineTimer deadline(timeoutMilliseconds);
  QLocalSocket socket;
  socket.connectToServer(name_);
  if (!socket.waitForConnected(int(std::min<qint64>(deadline.remainingTime(), 1000)))) return false;
  socket.write(QByteArray::fromStdString(reopenRequestFromEnvironment()));
  if (!socket.waitForBytesWritten(int(deadline.remainingTime()))) return false;
  // The answer says the running program took the request (and is not a dead socket's leftover).
  while (!socket.canReadLine()) {
    if (deadline.hasExpired() || !socket.waitForReadyRead(int(deadline.remainingTime()))) return false;
  }
  return socket.readLine() == kReopenAnswer;
}

bool SingleInstance::listen() {
  server_ = std::make_unique<QLocalServer>();
  server_->setSocketOptions(QLocalServer::UserAccessOption);
  if (!server_->listen(name_)) {
    // A socket file left by a program that died: take it over, but never one that a live program
    // still answers on.
    QString why;
    if (someoneListens(name_)) {
      why = QStringLiteral("another program answers on it");
    } else {
      QLocalServer::removeServer(name_);
      if (!server_->listen(name_)) why = server_->errorString();
    }
    if (!why.isEmpty()) {
      std::cerr << "marbrel: cannot listen on " << QFile::encodeName(name_).toStdString() << " (" << why.toStdString()
                << "), so a later start of marbrel cannot hand over to this one\n";
      server_.reset();
      return false;
    }
  }
  connect(server_.get(), &QLocalServer::newConnection, this, [this] {
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
      connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
      connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
        while (socket->canReadLine()) {
          const QByteArray line = socket->readLine();
          if (std::string token = activationTokenOfLine(line.toStdString()); !token.empty()) {
            activationToken_ = std::move(token);
            continue;
          }
          if (line == kDescribeRequest) {
            socket->write(kDescribeAnswerPrefix + QByteArray::fromStdString(description_) + '\n');
            socket->flush();
            continue;
          }
          if (line != kReopenRequest) continue;
          socket->write(kReopenAnswer);
          socket->flush();
          requestReceived();
        }
      });
    }
  });
  return true;
}

void SingleInstance::requestReceived() {
  // On a later turn: the other launch gets its answer before a menu opens here.
  QTimer::singleShot(0, this, [this] {
    if (onReopen_) {
      onReopen_();
    } else {
      pendingReopen_ = true;  // the program is still starting: reopen once it is up
    }
  });
}

void SingleInstance::setReopenHandler(std::function<void()> onReopen) {
  onReopen_ = std::move(onReopen);
  if (pendingReopen_ && onReopen_) {
    pendingReopen_ = false;
    QTimer::singleShot(0, this, [this] {
      if (onReopen_) onReopen_();
    });
  }
}

}  // namespace marbrel
