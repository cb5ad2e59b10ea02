#include "shell/x11/X11Connection.h"

#include <cstdlib>
#include <string>

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QSocketNotifier>

#include <X11/Xlib-xcb.h>
#include <X11/Xlib.h>
#include <xcb/xcb.h>

namespace marbrel {

struct X11Connection::Private {
  Display* display = nullptr;
  xcb_connection_t* connection = nullptr;
  std::uint32_t root = 0;
  std::unique_ptr<QSocketNotifier> notifier;
  std::map<ListenerId, EventListener> listeners;
  ListenerId nextId = 1;
  bool dispatching = false;
};

X11Connection::X11Connection(const char* displayName, QObject* parent)
    : QObject(parent), d_(std::make_unique<Private>()) {
  d_->display = XOpenDisplay(displayName);
  if (!d_->display) return;
  d_->connection = XGetXCBConnection(d_->display);
  // Events are read through XCB; Xlib only sends requests (XTest, XKB helpers).
  XSetEventQueueOwner(d_->display, XCBOwnsEventQueue);
  d_->root = DefaultRootWindow(d_->display);
  d_->notifier = std::make_unique<QSocketNotifier>(xcb_get_file_descriptor(d_->connection),
                                                   QSocketNotifier::Read);
  connect(d_->notifier.get(), &QSocketNotifier::activated, this, [this] { processEvents(); });
  if (auto* dispatcher = QAbstractEventDispatcher::instance()) {
    connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this, [this] { processEvents(); });
  }
}

X11Connection::~X11Connection() {
  d_->notifier.reset();
  if (d_->display) XCloseDisplay(d_->display);
}

bool X11Connection::canOpenDisplay() {
  Display* display = XOpenDisplay(nullptr);
  if (!display) return false;
  XCloseDisplay(display);
  return true;
}

bool X11Connection::isOpen() const { return d_->display != nullptr; }
_XDisplay* X11Connection::display() const { return d_->display; }
xcb_connection_t* X11Connection::connection() const { return d_->connection; }
std::uint32_t X11Connection::rootWindow() const { return d_->root; }

bool X11Connection::hasSystemTray() const {
  return d_->display && hasSystemTray(d_->connection, DefaultScreen(d_->display));
}

bool X11Connection::hasSystemTray(xcb_connection_t* connection, int screen) {
  const std::string selection = "_NET_SYSTEM_TRAY_S" + std::to_string(screen);
  xcb_intern_atom_reply_t* atom = xcb_intern_atom_reply(
      connection, xcb_intern_atom(connection, 1, std::uint16_t(selection.size()), selection.c_str()), nullptr);
  bool owned = false;
  if (atom && atom->atom != XCB_ATOM_NONE) {
    xcb_get_selection_owner_reply_t* owner =
        xcb_get_selection_owner_reply(connection, xcb_get_selection_owner(connection, atom->atom), nullptr);
    owned = owner && owner->owner != XCB_WINDOW_NONE;
    std::free(owner);
  }
  std::free(atom);
  return owned;
}

X11Connection::ListenerId X11Connection::addListener(EventListener listener) {
  const ListenerId id = d_->nextId++;
  d_->listeners.emplace(id, std::move(listener));
  return id;
}

void X11Connection::removeListener(ListenerId id) { d_->listeners.erase(id); }

void X11Connection::flush() {
  if (d_->connection) xcb_flush(d_->connection);
}

void X11Connection::processEvents() {
  if (!d_->connection || d_->dispatching) return;
  d_->dispatching = true;
  while (xcb_generic_event_t* event = xcb_poll_for_event(d_->connection)) {
    // Listeners may add or remove listeners: walk the ids taken now.
    std::vector<ListenerId> ids;
    for (const auto& entry : d_->listeners) ids.push_back(entry.first);
    for (ListenerId id : ids) {
      auto it = d_->listeners.find(id);
      if (it == d_->listeners.end()) continue;
      EventListener listener = it->second;
      if (listener(event)) break;
    }
    free(event);
  }
  d_->dispatching = false;
  xcb_flush(d_->connection);
}

}  // namespace marbrel
