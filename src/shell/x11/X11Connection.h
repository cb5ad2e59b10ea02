#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>

#include <QObject>

struct _XDisplay;
struct xcb_connection_t;

namespace marbrel {

// A connection of the program's own to the X server, for what Qt does not do (global key grabs,
// synthetic key events, keymap change events). Its events are read on the Qt event loop and handed
// to the listeners that want them.
class X11Connection : public QObject {
  Q_OBJECT

 public:
  // Called for each event (an xcb_generic_event_t, kept opaque here so X headers stay out of Qt
  // code); answers whether it consumed it (later listeners then do not see it).
  using EventListener = std::function<bool(const void* event)>;
  using ListenerId = int;

  // Opens the display named by `displayName`, or by $DISPLAY when null. isOpen() says whether it
  // worked; every other call is harmless on a connection that is not open.
  explicit X11Connection(const char* displayName = nullptr, QObject* parent = nullptr);
  ~X11Connection() override;
  X11Connection(const X11Connection&) = delete;
  X11Connection& operator=(const X11Connection&) = delete;

  bool isOpen() const;
  // Whether the display named by $DISPLAY accepts a connection now (needs no Qt application).
  static bool canOpenDisplay();
  // The Xlib display and its XCB connection (the same connection); null when not open.
  _XDisplay* display() const;
  xcb_connection_t* connection() const;
  std::uint32_t rootWindow() const;
  // Whether an X11 system tray (the owner of _NET_SYSTEM_TRAY_S<screen>) runs on the display.
  bool hasSystemTray() const;
  static bool hasSystemTray(xcb_connection_t* connection, int screen);

  ListenerId addListener(EventListener listener);
  void removeListener(ListenerId id);

  // Sends buffered requests to the server.
  void flush();
  // Dispatches every event that has arrived; also runs whenever the socket is readable and before
  // the event loop sleeps, so events read along with a reply are never left waiting.
  void processEvents();

 private:
  struct Private;
  std::unique_ptr<Private> d_;
};

}  // namespace marbrel
