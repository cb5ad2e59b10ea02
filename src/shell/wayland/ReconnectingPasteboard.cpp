#include "shell/wayland/ReconnectingPasteboard.h"

#include <algorithm>
#include <iostream>

#include "shell/wayland/DataControlPasteboard.h"
#include "shell/wayland/WaylandConnection.h"

namespace marbrel {

namespace {

constexpr std::chrono::milliseconds kFirstPause{500};
constexpr std::chrono::milliseconds kLongestPause{30000};

}  // namespace

struct ReconnectingPasteboard::Link {
  std::unique_ptr<WaylandConnection> connection;
  std::unique_ptr<DataControlPasteboard> board;
  ~Link() {
    board.reset();  // its requests go on the connection
    connection.reset();
  }
};

std::unique_ptr<ReconnectingPasteboard::Link> ReconnectingPasteboard::makeLink(SelectionReader::Limits limits) {
  auto link = std::make_unique<Link>();
  link->connection = WaylandConnection::connectToCompositor();
  if (!link->connection) return nullptr;
  link->board = DataControlPasteboard::create(*link->connection, limits);
  if (!link->board) return nullptr;
  return link;
}

std::unique_ptr<ReconnectingPasteboard> ReconnectingPasteboard::connect(SelectionReader::Limits limits) {
  std::unique_ptr<Link> link = makeLink(limits);
  if (!link) return nullptr;
  return std::unique_ptr<ReconnectingPasteboard>(new ReconnectingPasteboard(std::move(link), limits));
}

ReconnectingPasteboard::ReconnectingPasteboard(std::unique_ptr<Link> link, SelectionReader::Limits limits)
    : limits_(limits), protocolName_(link->board->protocolName()), pause_(kFirstPause) {
  retry_.setSingleShot(true);
  QObject::connect(&retry_, &QTimer::timeout, this, [this] { reconnect(); });
  adopt(std::move(link));
}

ReconnectingPasteboard::~ReconnectingPasteboard() = default;

WaylandConnection* ReconnectingPasteboard::connection() const { return link_ ? link_->connection.get() : nullptr; }

void ReconnectingPasteboard::adopt(std::unique_ptr<Link> link) {
  link_ = std::move(link);
  linkedAt_ = std::chrono::steady_clock::now();
  link_->board->setChangeHandler([this] {
    if (changeHandler_) changeHandler_();
  });
  QObject::connect(link_->connection.get(), &WaylandConnection::broken, this,
                   [this] { lose(link_ ? link_->connection->problem() : std::string()); });
  QObject::connect(link_->board.get(), &DataControlPasteboard::accessEnded, this,
                   [this] { lose("the compositor ended the clipboard access"); });
}

std::int64_t ReconnectingPasteboard::changeCount() const {
  return changesBefore_ + (link_ ? link_->board->changeCount() : 0);
}

std::vector<std::shared_ptr<const PasteboardItem>> ReconnectingPasteboard::items() const {
  // A new connection's contents count only from its first change on.
  if (link_ && link_->board->changeCount() > 0) return link_->board->items();
  return lastItems_;
}

void ReconnectingPasteboard::declareTypes(const std::vector<std::string>& types) {
  if (link_) link_->board->declareTypes(types);
}

void ReconnectingPasteboard::setData(const std::optional<std::string>& data, const std::string& type) {
  if (link_) link_->board->setData(data, type);
}

void ReconnectingPasteboard::lose(const std::string& problem) {
  if (!link_) return;
  lastItems_ = items();
  changesBefore_ = changeCount();
  // Called from the connection's or the clipboard's own event handling: they go once that is over.
  QTimer::singleShot(0, this, [lost = std::shared_ptr<Link>(std::move(link_))] {});
  // A connection that lasted a while starts the pauses over; one lost again soon waits longer.
  if (std::chrono::steady_clock::now() - linkedAt_ > kLongestPause) pause_ = kFirstPause;
  std::cerr << "marbrel: the Wayland connection was lost" << (problem.empty() ? "" : " (" + problem + ")")
            << "; copies are not recorded until it is made again, tried in " << pause_.count() << " ms and "
            << "then less and less often\n";
  if (statusHandler_) statusHandler_(false, problem);
  retryLater();
}

void ReconnectingPasteboard::retryLater() {
  retry_.start(pause_);
  pause_ = std::min(pause_ * 2, kLongestPause);
}

void ReconnectingPasteboard::reconnect() {
  if (link_) return;
  std::unique_ptr<Link> link = makeLink(limits_);
  if (!link) {
    retryLater();
    return;
  }
  adopt(std::move(link));
  std::cerr << "marbrel: the Wayland connection is made again; copies are recorded again\n";
  if (statusHandler_) statusHandler_(true, {});
}

}  // namespace marbrel
