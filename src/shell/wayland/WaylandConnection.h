#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include <QObject>

class QSocketNotifier;
struct wl_display;
struct wl_interface;
struct wl_registry;
struct wl_seat;

namespace marbrel {

// A Wayland connection of the program's own to the compositor, beside whatever Qt uses, for the
// clipboard manager's protocols. Its socket is read on the Qt event loop and its events are
// dispatched there; requests go out without ever blocking.
class WaylandConnection : public QObject {
  Q_OBJECT

 public:
  // One global the compositor offers.
  struct Global {
    std::uint32_t name = 0;
    std::string interface;
    std::uint32_t version = 0;
  };

  // Connects to the compositor named by $WAYLAND_DISPLAY and learns its globals; nothing when the
  // variable is unset or the compositor cannot be reached.
  static std::unique_ptr<WaylandConnection> connectToCompositor();
  ~WaylandConnection() override;
  WaylandConnection(const WaylandConnection&) = delete;
  WaylandConnection& operator=(const WaylandConnection&) = delete;

  wl_display* display() const { return display_; }
  // The global of that interface name, or null when the compositor does not offer it.
  const Global* global(std::string_view interface) const;
  // Binds the global of `interface`'s name at the highest version both sides know, at most
  // `maxVersion`; returns the new proxy (a wl_proxy) or null when it is not offered.
  void* bind(const wl_interface& interface, std::uint32_t maxVersion);
  // The first seat, or null when there is none.
  wl_seat* seat() const { return seat_; }

  // Sends the requests made so far; what the socket cannot take now goes once it can.
  void flush();
  // Waits until the compositor has handled every request made so far and dispatches the answers.
  // For start-up only: it blocks.
  bool roundtrip();
  // Whether the connection broke (the compositor went away or reported a protocol error), and why.
  bool failed() const { return failed_; }
  const std::string& problem() const { return problem_; }

 Q_SIGNALS:
  // The connection broke; emitted once, from the connection's own event handling.
  void broken();

 private:
  explicit WaylandConnection(wl_display* display);
  void readAndDispatch();
  void dispatchPending();
  void fail();

  wl_display* display_;
  wl_registry* registry_ = nullptr;
  wl_seat* seat_ = nullptr;
  std::vector<Global> globals_;
  QSocketNotifier* readable_ = nullptr;
  QSocketNotifier* writable_ = nullptr;
  bool failed_ = false;
  std::string problem_;

  friend struct RegistryEvents;
};

}  // namespace marbrel
