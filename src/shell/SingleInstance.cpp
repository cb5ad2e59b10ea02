#include "shell/SingleInstance.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <string>

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>
#include <QTimer>

namespace marbrel {

namespace {

constexpr char kReopen[] = "reopen\n";
constexpr char kAnswer[] = "ok\n";

// Whether a program answers connections on the socket `name` now (a file left by one that died
// refuses them).
bool someoneListens(const QString& name) {
  QLocalSocket socket;
  socket.connectToServer(name);
  return socket.waitForConnected(1000);
}

// A file descriptor closed when it goes out of scope.
struct OwnedFd {
  int fd = -1;
  ~OwnedFd() {
    if (fd >= 0) ::close(fd);
  }
};

// Whether some process holds the lock file `path` now (without taking it for long).
bool lockIsHeld(const QByteArray& path) {
  const OwnedFd lock{::open(path.constData(), O_RDWR | O_CLOEXEC | O_NOFOLLOW)};
  if (lock.fd < 0) return false;  // never made: nobody ran here
  int result;
  do {
    result = ::flock(lock.fd, LOCK_EX | LOCK_NB);
  } while (result != 0 && errno == EINTR);
  return result != 0 && errno == EWOULDBLOCK;  // taken here: dropped again as the file closes
}

}  // namespace

std::optional<SingleInstance::Role> SingleInstance::handOverEarly(const QString& name, int timeoutMilliseconds) {
  const QByteArray path = QFile::encodeName(name);
  if (!lockIsHeld(path + ".lock")) return std::nullopt;
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (std::size_t(path.size()) >= sizeof address.sun_path) return std::nullopt;
  std::memcpy(address.sun_path, path.constData(), std::size_t(path.size()) + 1);
  const OwnedFd socket{::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0)};
  // A local connection is taken or refused at once (refused: the holder does not listen yet).
  if (socket.fd < 0 || ::connect(socket.fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    return std::nullopt;
  }
  const std::string request = kReopen;
  if (::send(socket.fd, request.data(), request.size(), MSG_NOSIGNAL) != ssize_t(request.size())) return std::nullopt;
  // The answer comes once the holder's event loop runs: it may still be starting up.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMilliseconds);
  std::string answer;
  while (answer.find('\n') == std::string::npos) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count();
    if (left <= 0) return Role::unanswered;
    pollfd ready{socket.fd, POLLIN, 0};
    const int polled = ::poll(&ready, 1, int(left));
    if (polled < 0 && errno == EINTR) continue;
    if (polled <= 0) return Role::unanswered;
    char buffer[64];
    const ssize_t count = ::read(socket.fd, buffer, sizeof buffer);
    if (count < 0 && errno == EINTR) continue;
    if (count <= 0) return std::nullopt;  // closed without an answer: the holder is going away
    answer.append(buffer, std::size_t(count));
  }
  return answer == kAnswer ? std::optional<Role>(Role::handedOver) : std::nullopt;
}

SingleInstance::SingleInstance(QString name, QObject* parent) : QObject(parent), name_(std::move(name)) {}

SingleInstance::~SingleInstance() {
  if (server_) server_->close();
  if (lockFd_ >= 0) ::close(lockFd_);  // closing drops the lock
}

QString SingleInstance::serverName() {
  // Display names hold characters a socket name should not (":", "/"); a short digest keeps any.
  const QByteArray display = qgetenv("DISPLAY");
  const QByteArray digest = QCryptographicHash::hash(display, QCryptographicHash::Sha1).toHex().left(12);
  const QString file = QStringLiteral("marbrel-%1-%2").arg(::getuid()).arg(QString::fromLatin1(digest));
  // The runtime folder is the user's alone, so nobody else can take the names first.
  const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
  const QFileInfo folder(runtime);
  if (!runtime.isEmpty() && folder.isAbsolute() && folder.isDir() && folder.isWritable()) {
    return QDir(runtime).filePath(file);
  }
  return QDir(QDir::tempPath()).filePath(file);
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

SingleInstance::Role SingleInstance::claim(int timeoutMilliseconds) {
  const QDeadlineTimer deadline(timeoutMilliseconds);
  while (true) {
    if (tryLock()) {
      listen();
      return Role::running;
    }
    if (lockFd_ < 0) {
      // No lock to be had here (an odd runtime folder): the socket alone decides, as well as it can.
      if (askToReopen(3000)) return Role::handedOver;
      listen();
      return Role::running;
    }
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
  socket.write(kReopen);
  if (!socket.waitForBytesWritten(int(deadline.remainingTime()))) return false;
  // The answer says the running program took the request (and is not a dead socket's leftover).
  while (!socket.canReadLine()) {
    if (deadline.hasExpired() || !socket.waitForReadyRead(int(deadline.remainingTime()))) return false;
  }
  return socket.readLine() == kAnswer;
}

bool SingleInstance::listen() {
  server_ = std::make_unique<QLocalServer>();
  server_->setSocketOptions(QLocalServer::UserAccessOption);
  if (!server_->listen(name_)) {
    // A socket file left by a program that died: take it over, but never one that a live program
    // still answers on.
    if (someoneListens(name_)) return false;
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
