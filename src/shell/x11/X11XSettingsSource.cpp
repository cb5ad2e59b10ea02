#include "shell/x11/X11XSettingsSource.h"

#include <cstdlib>
#include <memory>

#include "shell/x11/X11Connection.h"

// X11 headers last: their macros break Qt headers included after them.
#include <X11/Xlib.h>
#include <xcb/xcb.h>

namespace marbrel {

namespace {

// Settings blobs are a few kilobytes; anything beyond this is not read.
constexpr std::uint32_t kMaximumWords = 256 * 1024;

struct FreeDeleter {
  void operator()(void* reply) const { std::free(reply); }
};
template <typename Reply>
using ReplyPtr = std::unique_ptr<Reply, FreeDeleter>;

xcb_atom_t internAtom(xcb_connection_t* c, const std::string& name) {
  ReplyPtr<xcb_intern_atom_reply_t> reply(
      xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, std::uint16_t(name.size()), name.c_str()), nullptr));
  return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

}  // namespace

std::optional<std::string> X11XSettingsSource::read() const {
  if (!connection_.isOpen()) return std::nullopt;
  xcb_connection_t* c = connection_.connection();
  if (selection_ == XCB_ATOM_NONE || property_ == XCB_ATOM_NONE) {
    const int screen = XDefaultScreen(connection_.display());
    selection_ = internAtom(c, "_XSETTINGS_S" + std::to_string(screen));
    property_ = internAtom(c, "_XSETTINGS_SETTINGS");
    if (selection_ == XCB_ATOM_NONE || property_ == XCB_ATOM_NONE) return std::nullopt;
  }
  const xcb_atom_t selection = selection_;
  const xcb_atom_t property = property_;
  ReplyPtr<xcb_get_selection_owner_reply_t> owner(
      xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, selection), nullptr));
  if (!owner || owner->owner == XCB_WINDOW_NONE) return std::nullopt;
  // The owner may vanish between the two requests: the property request then fails with an error
  // reply, which is just "no settings".
  xcb_generic_error_t* error = nullptr;
  ReplyPtr<xcb_get_property_reply_t> value(xcb_get_property_reply(
      c, xcb_get_property(c, 0, owner->owner, property, XCB_GET_PROPERTY_TYPE_ANY, 0, kMaximumWords), &error));
  std::free(error);
  if (!value || value->format != 8) return std::nullopt;
  const auto* bytes = static_cast<const char*>(xcb_get_property_value(value.get()));
  return std::string(bytes, std::size_t(xcb_get_property_value_length(value.get())));
}

}  // namespace marbrel
