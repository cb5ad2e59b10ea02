#pragma once

#include <functional>
#include <memory>
#include <string>
#include <utility>

#include <QObject>
#include <QString>

class QLocalServer;

namespace marbrel {

// Keeps one running program per user and display. The first launch takes a lock and listens on a
// local socket beside it before doing anything else; a later bare launch, even one started at the
// same moment, finds the lock taken, asks the running program to reopen (pop its menu up) and leaves.
// The socket's name and the request are those of handOver() (launcher/HandOver.h), which a later
// launch tries first, before it loads or sets up anything.
class SingleInstance : public QObject {
  Q_OBJECT

 public:
  // What claim() decided for this launch.
  enum class Role {
    running,     // this launch is the program: it holds the lock and listens
    handedOver,  // another program runs and took the reopen request: leave
    unanswered,  // another program holds the lock but did not answer in time: leave
    elsewhere,   // another program holds the lock and was asked nothing (a launch with arguments)
  };
  // What a launch that finds another program running asks of it.
  enum class Others { askToReopen, leaveAlone };

  // `name` is the socket's path (handOverSocketPath() for the current user and display). The lock
  // file is the same path with ".lock" added.
  explicit SingleInstance(QString name, QObject* parent = nullptr);
  ~SingleInstance() override;

  // Decides which launch runs: the one that takes the lock starts listening at once; the others
  // ask it to reopen (or leave it alone, as `others` says), waiting up to `timeoutMilliseconds` for
  // an answer (it may be starting up), and take over the lock if its holder ends meanwhile.
  // Without a lock file that can be opened, falls back to the socket alone. A program that cannot
  // listen says why on standard error and runs without the lock, so later launches do not wait for
  // an answer that never comes.
  Role claim(Others others = Others::askToReopen, int timeoutMilliseconds = 20000);

  // Runs `onReopen` on a later turn for every later launch, including those that asked before it
  // was set.
  void setReopenHandler(std::function<void()> onReopen);
  // The activation token that came with the latest reopen request (empty when none), handed out
  // once: the desktop honours a token once.
  std::string takeActivationToken() { return std::exchange(activationToken_, {}); }
  // What the program answers `marbrel doctor` about the adapters it uses (one line).
  void setDescription(std::string description) { description_ = std::move(description); }

 private:
  bool tryLock();
  void releaseLock();
  // Asks the program on the socket to reopen; true once it answered. Gives up at the deadline, or
  // when nobody listens or the connection closes without an answer.
  bool askToReopen(int timeoutMilliseconds);
  // Listens on the socket; false, having said why on standard error, when it cannot.
  bool listen();
  void requestReceived();

  QString name_;
  int lockFd_ = -1;
  std::unique_ptr<QLocalServer> server_;
  std::function<void()> onReopen_;
  bool pendingReopen_ = false;
  std::string activationToken_;
  std::string description_;
};

}  // namespace marbrel
