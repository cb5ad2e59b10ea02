#include "shell/clipboard/PipeWriter.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

#include <QSocketNotifier>

namespace marbrel {

void PipeWriter::start(int fd, std::shared_ptr<const std::string> bytes, std::chrono::milliseconds stall,
                       QObject* parent) {
  // A reader that closes its end early must not end this program with SIGPIPE: the write then
  // fails with EPIPE instead, and the writer stops.
  static const bool ignoringBrokenPipes = [] {
    std::signal(SIGPIPE, SIG_IGN);
    return true;
  }();
  (void)ignoringBrokenPipes;
  auto* writer = new PipeWriter(fd, std::move(bytes), stall, parent);
  writer->write();
}

PipeWriter::PipeWriter(int fd, std::shared_ptr<const std::string> bytes, std::chrono::milliseconds stall,
                       QObject* parent)
    : QObject(parent), fd_(fd), bytes_(std::move(bytes)), stall_(stall) {
  ::fcntl(fd_, F_SETFL, ::fcntl(fd_, F_GETFL) | O_NONBLOCK);
  notifier_ = new QSocketNotifier(fd_, QSocketNotifier::Write, this);
  notifier_->setEnabled(false);
  connect(notifier_, &QSocketNotifier::activated, this, [this] { write(); });
  stallTimer_.setSingleShot(true);
  connect(&stallTimer_, &QTimer::timeout, this, [this] { finish(); });
}

PipeWriter::~PipeWriter() {
  if (fd_ >= 0) ::close(fd_);
}

void PipeWriter::write() {
  if (fd_ < 0) return;
  while (written_ < bytes_->size()) {
    const ssize_t n = ::write(fd_, bytes_->data() + written_, bytes_->size() - written_);
    if (n > 0) {
      written_ += std::size_t(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      // The reader has not caught up: go on once the pipe takes more.
      notifier_->setEnabled(true);
      stallTimer_.start(stall_);
      return;
    }
    break;  // the reader went away (EPIPE) or another failure: nothing more to do
  }
  finish();
}

void PipeWriter::finish() {
  notifier_->setEnabled(false);
  stallTimer_.stop();
  ::close(fd_);
  fd_ = -1;
  deleteLater();
}

}  // namespace marbrel
