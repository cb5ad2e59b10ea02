#include "shell/x11/X11KeyboardLayoutSource.h"

#include <xkbcommon/xkbcommon.h>

#include "core/keylayout/Sauce.h"
#include "shell/x11/X11Connection.h"
#include "xkb/XkbKeyboardLayout.h"
#include "xkb/XkbRuleNames.h"

// X11 headers last: their macros break Qt headers included after them.
#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <xcb/xcb.h>
#include <xkbcommon/xkbcommon-x11.h>

namespace marbrel {

namespace {

// XKB events come in bursts (a new keymap brings a NewKeyboardNotify and MapNotify events): they
// are handled together on the next turn of the event loop. No longer: a layout chosen and a paste
// made a moment later must already use the new layout's keys.
constexpr int kSettleMilliseconds = 0;

struct ContextDeleter {
  void operator()(xkb_context* context) const { xkb_context_unref(context); }
};
struct KeymapDeleter {
  void operator()(xkb_keymap* keymap) const { xkb_keymap_unref(keymap); }
};
struct StateDeleter {
  void operator()(xkb_state* state) const { xkb_state_unref(state); }
};

std::unique_ptr<xkb_keymap, KeymapDeleter> readKeymap(xcb_connection_t* connection, std::int32_t device) {
  std::unique_ptr<xkb_context, ContextDeleter> context(xkb_context_new(XKB_CONTEXT_NO_FLAGS));
  if (!context) return nullptr;
  return std::unique_ptr<xkb_keymap, KeymapDeleter>(
      xkb_x11_keymap_new_from_device(context.get(), connection, device, XKB_KEYMAP_COMPILE_NO_FLAGS));
}

}  // namespace

X11KeyboardLayoutSource::X11KeyboardLayoutSource(X11Connection& connection, QObject* parent)
    : QObject(parent), connection_(connection) {
  settle_.setSingleShot(true);
  settle_.setInterval(kSettleMilliseconds);
  connect(&settle_, &QTimer::timeout, this, [this] { refresh(); });

  if (connection.isOpen() &&
      xkb_x11_setup_xkb_extension(connection.connection(), XKB_X11_MIN_MAJOR_XKB_VERSION,
                                  XKB_X11_MIN_MINOR_XKB_VERSION, XKB_X11_SETUP_XKB_EXTENSION_NO_FLAGS,
                                  nullptr, nullptr, nullptr, nullptr)) {
    deviceId_ = xkb_x11_get_core_keyboard_device_id(connection.connection());
    if (deviceId_ >= 0) {
      if (auto keymap = readKeymap(connection.connection(), deviceId_)) {
        layout_ = std::make_unique<XkbKeyboardLayout>(keymap.get());
        std::uint32_t group = 0;
        if (readGroup(group)) layout_->selectGroup(group);
        live_ = true;
      }
    }
  }
  if (!layout_) {
    // No display keymap: a US keyboard, as the fixed tables assume.
    layout_ = XkbKeyboardLayout::fromNames(XkbRuleNames{});
  }
  if (!live_) return;

  Display* display = connection.display();
  int opcode = 0, eventBase = 0, errorBase = 0, major = XkbMajorVersion, minor = XkbMinorVersion;
  if (XkbQueryExtension(display, &opcode, &eventBase, &errorBase, &major, &minor)) {
    xkbEventBase_ = eventBase;
    XkbSelectEvents(display, XkbUseCoreKbd, XkbNewKeyboardNotifyMask | XkbMapNotifyMask,
                    XkbNewKeyboardNotifyMask | XkbMapNotifyMask);
    // Only group changes among the state changes: the selected layout.
    XkbSelectEventDetails(display, XkbUseCoreKbd, XkbStateNotify, XkbGroupStateMask, XkbGroupStateMask);
    XFlush(display);
  }
  listener_ = connection.addListener([this](const void* raw) {
    const auto* event = static_cast<const xcb_generic_event_t*>(raw);
    if (xkbEventBase_ < 0 || (event->response_type & 0x7f) != xkbEventBase_) return false;
    const std::uint8_t xkbType = reinterpret_cast<const std::uint8_t*>(event)[1];
    if (xkbType == XkbNewKeyboardNotify || xkbType == XkbMapNotify) keymapChanged_ = true;
    if (xkbType == XkbNewKeyboardNotify || xkbType == XkbMapNotify || xkbType == XkbStateNotify) {
      settle_.start();
    }
    return false;  // others may want XKB events too
  });
}

X11KeyboardLayoutSource::~X11KeyboardLayoutSource() {
  if (listener_) connection_.removeListener(listener_);
}

bool X11KeyboardLayoutSource::readGroup(std::uint32_t& group) const {
  if (!layout_ || deviceId_ < 0) return false;
  xkb_keymap* keymap = nullptr;
  auto fresh = readKeymap(connection_.connection(), deviceId_);
  keymap = fresh.get();
  if (!keymap) return false;
  std::unique_ptr<xkb_state, StateDeleter> state(
      xkb_x11_state_new_from_device(keymap, connection_.connection(), deviceId_));
  if (!state) return false;
  group = xkb_state_serialize_layout(state.get(), XKB_STATE_LAYOUT_EFFECTIVE);
  return true;
}

void X11KeyboardLayoutSource::refresh() {
  if (!live_) return;
  if (keymapChanged_) {
    keymapChanged_ = false;
    if (auto keymap = readKeymap(connection_.connection(), deviceId_)) {
      layout_->replaceKeymap(keymap.get());
      if (sauce_) sauce_->enabledInputSourcesChanged();
    }
  }
  std::uint32_t group = 0;
  if (readGroup(group) && group != layout_->selectedGroup()) layout_->selectGroup(group);
  // Sauce compares with what it had and stays quiet when nothing changed.
  if (sauce_) sauce_->selectedInputSourceChanged();
}

}  // namespace marbrel
