#pragma once

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <QObject>

#include "core/platform/Pasteboard.h"
#include "shell/clipboard/SelectionReader.h"
#include "shell/wayland/DataControlProtocol.h"

struct wl_proxy;

namespace marbrel {

class WaylandConnection;

// The clipboard of a Wayland session through the data-control protocol that compositors offer to
// clipboard managers. Each new selection is read in full (formats through pipes, without blocking)
// and then becomes one change: the change count moves and the change handler runs, so copies made
// in quick succession are each seen. Writing makes this program the selection's owner, serving
// every written format until another copy replaces it.
class DataControlPasteboard : public QObject, public Pasteboard {
  Q_OBJECT

 public:
  // On `connection` (not owned; outlives the pasteboard) when the compositor offers a data-control
  // protocol and a seat; nothing otherwise. What is on the clipboard now does not count as a change.
  static std::unique_ptr<DataControlPasteboard> create(WaylandConnection& connection,
                                                       SelectionReader::Limits limits = {});
  ~DataControlPasteboard() override;

  std::int64_t changeCount() const override { return changeCount_; }
  std::vector<std::shared_ptr<const PasteboardItem>> items() const override;
  void declareTypes(const std::vector<std::string>& types) override;
  void setData(const std::optional<std::string>& data, const std::string& type) override;
  void setChangeHandler(std::function<void()> handler) override { changeHandler_ = std::move(handler); }

  // The name of the protocol in use ("ext_data_control_manager_v1" or "zwlr_data_control_manager_v1").
  const char* protocolName() const;

 Q_SIGNALS:
  // The compositor ended clipboard access for the seat (the device is finished): nothing more is
  // heard or written through this pasteboard. Emitted from the connection's event handling.
  void accessEnded();

 private:
  // One selection on its way from the compositor's announcement to a published change.
  struct PendingSelection {
    bool done = false;
    bool givenUp = false;
    std::shared_ptr<const PasteboardItem> item;  // null for an empty clipboard
    SelectionReader* reader = nullptr;            // while reading; a child of the pasteboard
  };
  // What this program offers while it owns the selection: bytes by type, shared with the writers
  // still serving an earlier request.
  using Written = std::map<std::string, std::shared_ptr<const std::string>>;

  DataControlPasteboard(WaylandConnection& connection, const DataControlProtocol& protocol, wl_proxy* manager,
                        SelectionReader::Limits limits);

  void onDataOffer(wl_proxy* offer);
  void onOfferType(wl_proxy* offer, const char* mimeType);
  void onSelection(wl_proxy* offer);
  void onFinished();
  void onPrimarySelection(wl_proxy* offer);
  void onSend(wl_proxy* source, const char* mimeType, int fd);
  void onCancelled(wl_proxy* source);
  // Offers what was declared and given bytes since declareTypes(), in the declared order.
  void offerWritten();
  void startReading(wl_proxy* offer);
  void publishReady();

  static const DataControlProtocol::DeviceListener kDeviceListener;
  static const DataControlProtocol::SourceListener kSourceListener;
  static const DataControlProtocol::OfferListener kOfferListener;

  WaylandConnection& connection_;
  const DataControlProtocol& protocol_;
  SelectionReader::Limits limits_;
  wl_proxy* manager_;
  wl_proxy* device_ = nullptr;
  bool initialSelection_ = true;  // the first selection event tells what was there at start
  std::map<wl_proxy*, std::vector<std::string>> offers_;  // announced offers and their types
  wl_proxy* selectionOffer_ = nullptr;
  std::deque<std::shared_ptr<PendingSelection>> pending_;
  bool publishScheduled_ = false;
  std::shared_ptr<const PasteboardItem> current_;
  std::int64_t changeCount_ = 0;
  std::function<void()> changeHandler_;
  std::map<wl_proxy*, std::shared_ptr<Written>> sources_;
  std::shared_ptr<Written> written_;  // the contents being written now
  std::vector<std::string> declared_;  // their types, in the declared order
  bool offerScheduled_ = false;
};

}  // namespace marbrel
