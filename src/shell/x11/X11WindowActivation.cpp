#include "shell/x11/X11WindowActivation.h"

#include <cstdlib>
#include <memory>

#include <xcb/xcb.h>

namespace marbrel {

namespace {

template <typename T>
using XcbReply = std::unique_ptr<T, decltype(&std::free)>;

xcb_atom_t atom(xcb_connection_t* c, const char* name) {
  const XcbReply<xcb_intern_atom_reply_t> reply(
      xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, std::uint16_t(std::string(name).size()), name), nullptr),
      &std::free);
  return reply ? reply->atom : XCB_ATOM_NONE;
}

// The server's time now: a property change on a window of this connection comes back stamped with it.
xcb_timestamp_t serverTime(xcb_connection_t* c, xcb_window_t root, xcb_atom_t property) {
  const xcb_window_t probe = xcb_generate_id(c);
  const std::uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
  xcb_create_window(c, 0, probe, root, -1, -1, 1, 1, 0, XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT,
                    XCB_CW_EVENT_MASK, &mask);
  xcb_change_property(c, XCB_PROP_MODE_APPEND, probe, property, XCB_ATOM_STRING, 8, 0, nullptr);
  xcb_flush(c);
  xcb_timestamp_t time = XCB_CURRENT_TIME;
  while (xcb_generic_event_t* event = xcb_wait_for_event(c)) {
    const bool notify = (event->response_type & 0x7f) == XCB_PROPERTY_NOTIFY;
    if (notify) time = reinterpret_cast<xcb_property_notify_event_t*>(event)->time;
    std::free(event);
    if (notify) break;
  }
  xcb_destroy_window(c, probe);
  return time;
}

}  // namespace

bool activateX11Window(std::uint32_t window, const std::string& startupId) {
  int screenNumber = 0;
  xcb_connection_t* c = xcb_connect(nullptr, &screenNumber);
  if (xcb_connection_has_error(c)) {
    xcb_disconnect(c);
    return false;
  }
  xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(c));
  for (int i = 0; i < screenNumber && screens.rem; ++i) xcb_screen_next(&screens);
  const xcb_window_t root = screens.data->root;
  const xcb_atom_t userTime = atom(c, "_NET_WM_USER_TIME");
  const xcb_timestamp_t now = serverTime(c, root, userTime);

  if (!startupId.empty()) {
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, atom(c, "_NET_STARTUP_ID"), atom(c, "UTF8_STRING"), 8,
                        std::uint32_t(startupId.size()), startupId.data());
  }
  // Qt may keep the user time on a window of its own that the window names.
  xcb_window_t timeWindow = window;
  const xcb_atom_t timeWindowAtom = atom(c, "_NET_WM_USER_TIME_WINDOW");
  const XcbReply<xcb_get_property_reply_t> named(
      xcb_get_property_reply(c, xcb_get_property(c, 0, window, timeWindowAtom, XCB_ATOM_WINDOW, 0, 1), nullptr),
      &std::free);
  if (named && xcb_get_property_value_length(named.get()) == 4) {
    timeWindow = *static_cast<const xcb_window_t*>(xcb_get_property_value(named.get()));
  }
  xcb_change_property(c, XCB_PROP_MODE_REPLACE, timeWindow, userTime, XCB_ATOM_CARDINAL, 32, 1, &now);

  // Source 1: a request of the application itself, judged by its time.
  xcb_client_message_event_t message{};
  message.response_type = XCB_CLIENT_MESSAGE;
  message.format = 32;
  message.window = window;
  message.type = atom(c, "_NET_ACTIVE_WINDOW");
  message.data.data32[0] = 1;
  message.data.data32[1] = now;
  message.data.data32[2] = XCB_NONE;
  xcb_send_event(c, 0, root, XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT,
                 reinterpret_cast<const char*>(&message));
  xcb_flush(c);
  const bool ok = !xcb_connection_has_error(c);
  xcb_disconnect(c);
  return ok;
}

}  // namespace marbrel
