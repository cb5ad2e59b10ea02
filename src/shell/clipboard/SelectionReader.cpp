#include "shell/clipboard/SelectionReader.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>
#include <utility>

#include <QSocketNotifier>

#include "shell/clipboard/SnapshotPasteboardItem.h"

namespace marbrel {

namespace {

// Read at most this much from one pipe per turn of the event loop, so a fast writer of a large
// value cannot keep the loop from everything else.
constexpr std::size_t kBytesPerTurn = std::size_t(1) << 20;

}  // namespace

SelectionReader::SelectionReader(std::vector<std::string> types, const std::vector<std::pair<std::string, int>>& pipes,
                                 Limits limits, Finished finished, QObject* parent)
    : QObject(parent), types_(std::move(types)), limits_(limits), finished_(std::move(finished)) {
  for (const auto& [type, fd] : pipes) {
    auto pipe = std::make_unique<Pipe>();
    pipe->type = type;
    pipe->fd = fd;
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    pipe->notifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    Pipe* raw = pipe.get();
    connect(pipe->notifier, &QSocketNotifier::activated, this, [this, raw] { readFrom(*raw); });
    pipes_.push_back(std::move(pipe));
  }
  stallTimer_.setSingleShot(true);
  totalTimer_.setSingleShot(true);
  connect(&stallTimer_, &QTimer::timeout, this, [this] {
    std::string stalled;
    for (const auto& pipe : pipes_) {
      if (pipe->fd >= 0) stalled += (stalled.empty() ? "" : ", ") + pipe->type;
    }
    giveUp("no bytes came for " + std::to_string(limits_.stall.count()) + " ms (" + stalled + ")");
  });
  connect(&totalTimer_, &QTimer::timeout, this, [this] {
    giveUp("reading took longer than " + std::to_string(limits_.total.count()) + " ms");
  });
  stallTimer_.start(limits_.stall);
  totalTimer_.start(limits_.total);
  // With nothing to read (no readable type), the item is complete now; say so on the next turn,
  // as for every other item.
  if (pipes_.empty()) QTimer::singleShot(0, this, [this] { finishIfDone(); });
}

SelectionReader::~SelectionReader() {
  for (const auto& pipe : pipes_) closePipe(*pipe);
}

void SelectionReader::readFrom(Pipe& pipe) {
  if (!finished_ || pipe.fd < 0) return;
  char buffer[65536];
  std::size_t thisTurn = 0;
  while (thisTurn < kBytesPerTurn) {
    const ssize_t n = ::read(pipe.fd, buffer, sizeof buffer);
    if (n > 0) {
      pipe.bytes.append(buffer, std::size_t(n));
      thisTurn += std::size_t(n);
      total_ += std::size_t(n);
      if (total_ > limits_.maxBytes) {
        giveUp("more than " + std::to_string(limits_.maxBytes) + " bytes");
        return;
      }
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) break;
    if (n < 0) {
      giveUp(pipe.type + " could not be read");
      return;
    }
    closePipe(pipe);  // end of file: this format is complete
    break;
  }
  if (thisTurn > 0) stallTimer_.start(limits_.stall);
  finishIfDone();
}

void SelectionReader::closePipe(Pipe& pipe) {
  if (pipe.notifier) {
    pipe.notifier->setEnabled(false);
    pipe.notifier->deleteLater();
    pipe.notifier = nullptr;
  }
  if (pipe.fd >= 0) ::close(pipe.fd);
  pipe.fd = -1;
}

void SelectionReader::finishIfDone() {
  if (!finished_) return;
  for (const auto& pipe : pipes_) {
    if (pipe->fd >= 0) return;
  }
  stallTimer_.stop();
  totalTimer_.stop();
  std::map<std::string, std::string> data;
  for (auto& pipe : pipes_) data.emplace(pipe->type, std::move(pipe->bytes));
  auto item = std::make_shared<SnapshotPasteboardItem>(std::move(types_), std::move(data));
  std::exchange(finished_, nullptr)(std::move(item), std::string());
}

void SelectionReader::giveUp(const std::string& problem) {
  if (!finished_) return;
  stallTimer_.stop();
  totalTimer_.stop();
  for (auto& pipe : pipes_) {
    closePipe(*pipe);
    pipe->bytes.clear();
  }
  std::exchange(finished_, nullptr)(nullptr, problem);
}

}  // namespace marbrel
