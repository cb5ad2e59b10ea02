#include "shell/x11/X11FrontWindow.h"

#include <cstdlib>
#include <cstring>
#include <memory>

#include "shell/x11/X11Connection.h"

// Last: X headers must not precede Qt's.
#include <xcb/xcb.h>
#include <xcb/xproto.h>

namespace marbrel {

namespace {

struct FreeDeleter {
  void operator()(void* p) const { std::free(p); }
};
template <typename T>
using Reply = std::unique_ptr<T, FreeDeleter>;

xcb_atom_t atom(xcb_connection_t* connection, const char* name) {
  Reply<xcb_intern_atom_reply_t> reply(
      xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 1, std::strlen(name), name), nullptr));
  return reply ? reply->atom : XCB_ATOM_NONE;
}

// The window _NET_ACTIVE_WINDOW names on the root, or none.
xcb_window_t activeWindow(xcb_connection_t* connection, xcb_window_t root) {
  const xcb_atom_t active = atom(connection, "_NET_ACTIVE_WINDOW");
  if (active == XCB_ATOM_NONE) return XCB_WINDOW_NONE;
  Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
      connection, xcb_get_property(connection, 0, root, active, XCB_ATOM_WINDOW, 0, 1), nullptr));
  if (!reply || reply->format != 32 || xcb_get_property_value_length(reply.get()) < 4) return XCB_WINDOW_NONE;
  return *static_cast<const xcb_window_t*>(xcb_get_property_value(reply.get()));
}

// WM_CLASS: two NUL-terminated texts, the instance and the class. Empty when the window has none.
std::vector<std::string> windowClass(xcb_connection_t* connection, xcb_window_t window) {
  Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
      connection, xcb_get_property(connection, 0, window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 0, 256), nullptr));
  if (!reply || reply->format != 8) return {};
  const char* data = static_cast<const char*>(xcb_get_property_value(reply.get()));
  const int length = xcb_get_property_value_length(reply.get());
  std::vector<std::string> names;
  for (int start = 0; start < length;) {
    const void* end = std::memchr(data + start, '\0', length - start);
    const int stop = end ? int(static_cast<const char*>(end) - data) : length;
    if (stop > start) names.emplace_back(data + start, stop - start);
    start = stop + 1;
  }
  return names;
}

xcb_window_t parentOf(xcb_connection_t* connection, xcb_window_t window) {
  Reply<xcb_query_tree_reply_t> reply(xcb_query_tree_reply(connection, xcb_query_tree(connection, window), nullptr));
  if (!reply || reply->parent == reply->root) return XCB_WINDOW_NONE;
  return reply->parent;
}

}  // namespace

std::vector<std::string> X11FrontWindow::applicationIds() const {
  xcb_connection_t* connection = connection_.connection();
  if (!connection) return {};
  const xcb_window_t root = connection_.rootWindow();
  xcb_window_t window = activeWindow(connection, root);
  if (window != XCB_WINDOW_NONE) {
    if (auto names = windowClass(connection, window); !names.empty()) return names;
  }
  // No window manager that says (a bare X server, some tiling ones): the focus, or the top-level
  // window that holds it.
  Reply<xcb_get_input_focus_reply_t> focus(
      xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
  if (!focus) return {};
  window = focus->focus;
  for (int depth = 0; depth < 32 && window != XCB_WINDOW_NONE && window != root && window != XCB_INPUT_FOCUS_POINTER_ROOT;
       ++depth) {
    if (auto names = windowClass(connection, window); !names.empty()) return names;
    window = parentOf(connection, window);
  }
  return {};
}

}  // namespace marbrel
