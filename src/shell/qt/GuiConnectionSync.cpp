#include "shell/qt/GuiConnectionSync.h"

#include <cstdlib>

#include <QGuiApplication>

#include <xcb/xcb.h>

namespace marbrel {

void syncGuiConnection() {
  auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  xcb_connection_t* connection = x11 ? x11->connection() : nullptr;
  if (!connection) return;
  // Any request with a reply does: the server answers it after everything sent before it.
  std::free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
}

}  // namespace marbrel
