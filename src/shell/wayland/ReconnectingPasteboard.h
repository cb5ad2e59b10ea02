#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>

#include <QObject>
#include <QTimer>

#include "core/platform/Pasteboard.h"
#include "shell/clipboard/SelectionReader.h"

namespace marbrel {

class DataControlPasteboard;
class WaylandConnection;

// The Wayland session's data-control clipboard on a connection of its own, made again (after 0.5 s,
// doubling up to 30 s) whenever the compositor ends it or the clipboard access.
class ReconnectingPasteboard : public QObject, public Pasteboard {
  Q_OBJECT

 public:
  // What the pasteboard reports about its connection: lost (with why) or back again.
  using StatusHandler = std::function<void(bool connected, const std::string& problem)>;

  // On the compositor named by $WAYLAND_DISPLAY; nothing when it cannot be reached or offers no
  // data-control protocol and seat.
  static std::unique_ptr<ReconnectingPasteboard> connect(SelectionReader::Limits limits = {});
  ~ReconnectingPasteboard() override;

  // The count only grows across connections; the contents last heard stay until a new change.
  std::int64_t changeCount() const override;
  std::vector<std::shared_ptr<const PasteboardItem>> items() const override;
  void declareTypes(const std::vector<std::string>& types) override;
  void setData(const std::optional<std::string>& data, const std::string& type) override;
  void setChangeHandler(std::function<void()> handler) override { changeHandler_ = std::move(handler); }

  // The protocol of the first connection ("ext_data_control_manager_v1" or "zwlr_data_control_manager_v1").
  const std::string& protocolName() const { return protocolName_; }
  // Whether the clipboard is watched now; the connection it is watched on (null while lost).
  bool connected() const { return link_ != nullptr; }
  WaylandConnection* connection() const;
  // Called whenever the connection is lost or made again; the loss is also said once on standard error.
  void setStatusHandler(StatusHandler handler) { statusHandler_ = std::move(handler); }

 private:
  // A connection and the data-control clipboard on it, destroyed in that order reversed.
  struct Link;
  ReconnectingPasteboard(std::unique_ptr<Link> link, SelectionReader::Limits limits);
  static std::unique_ptr<Link> makeLink(SelectionReader::Limits limits);
  void adopt(std::unique_ptr<Link> link);
  void lose(const std::string& problem);
  void reconnect();
  // Tries again after the pause, and makes the next pause twice as long (up to the longest).
  void retryLater();

  SelectionReader::Limits limits_;
  std::unique_ptr<Link> link_;
  std::string protocolName_;
  std::int64_t changesBefore_ = 0;  // changes heard on the connections before this one
  std::vector<std::shared_ptr<const PasteboardItem>> lastItems_;  // the contents when the last one was lost
  std::function<void()> changeHandler_;
  StatusHandler statusHandler_;
  QTimer retry_;
  std::chrono::milliseconds pause_;
  std::chrono::steady_clock::time_point linkedAt_;
};

}  // namespace marbrel
