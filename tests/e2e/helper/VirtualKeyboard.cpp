// A keyboard of a chosen layout on the Wayland seat, as a person plugging one in would add: it uploads
// the layout's keymap through the virtual-keyboard protocol and presses keys on it, which makes that
// keymap the seat's (and XWayland's) until another keyboard types.
#include <sys/mman.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <wayland-client.h>
#include <xkbcommon/xkbcommon.h>

#include "wayland/virtual-keyboard-unstable-v1-client.h"

namespace {

struct Globals { wl_seat* seat = nullptr; zwp_virtual_keyboard_manager_v1* manager = nullptr; };

void global(void* data, wl_registry* registry, std::uint32_t name, const char* interface, std::uint32_t) {
  auto* globals = static_cast<Globals*>(data);
  if (!globals->seat && std::strcmp(interface, wl_seat_interface.name) == 0) {
    globals->seat = static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
  } else if (std::strcmp(interface, zwp_virtual_keyboard_manager_v1_interface.name) == 0) {
    globals->manager = static_cast<zwp_virtual_keyboard_manager_v1*>(
        wl_registry_bind(registry, name, &zwp_virtual_keyboard_manager_v1_interface, 1));
  }
}
void globalRemoved(void*, wl_registry*, std::uint32_t) {}
constexpr wl_registry_listener kRegistry = {global, globalRemoved};

// The keymap of `layout` and `variant` as text, from the system's XKB rules.
std::string keymapText(const std::string& layout, const std::string& variant) {
  xkb_context* context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
  const xkb_rule_names names = {"evdev", "pc105", layout.c_str(), variant.c_str(), nullptr};
  xkb_keymap* keymap = context ? xkb_keymap_new_from_names(context, &names, XKB_KEYMAP_COMPILE_NO_FLAGS) : nullptr;
  char* text = keymap ? xkb_keymap_get_as_string(keymap, XKB_KEYMAP_FORMAT_TEXT_V1) : nullptr;
  std::string result = text ? text : "";
  std::free(text);
  xkb_keymap_unref(keymap);
  xkb_context_unref(context);
  return result;
}

}  // namespace

// `keyboard LAYOUT VARIANT EVDEV...`: presses and releases each key (Linux evdev codes) in turn.
int typeOnKeyboard(const std::string& layout, const std::string& variant, const std::vector<std::uint32_t>& keys) {
  const std::string keymap = keymapText(layout, variant);
  wl_display* display = wl_display_connect(nullptr);
  if (keymap.empty() || !display) return 1;
  Globals globals;
  wl_registry* registry = wl_display_get_registry(display);
  wl_registry_add_listener(registry, &kRegistry, &globals);
  wl_display_roundtrip(display);
  if (!globals.seat || !globals.manager) return 1;
  zwp_virtual_keyboard_v1* keyboard = zwp_virtual_keyboard_manager_v1_create_virtual_keyboard(globals.manager, globals.seat);
  const int fd = memfd_create("keymap", MFD_CLOEXEC);
  const std::size_t size = keymap.size() + 1;
  if (fd < 0 || write(fd, keymap.c_str(), size) != ssize_t(size)) return 1;
  zwp_virtual_keyboard_v1_keymap(keyboard, WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1, fd, std::uint32_t(size));
  close(fd);
  std::uint32_t time = 1;
  for (const std::uint32_t key : keys) {
    zwp_virtual_keyboard_v1_key(keyboard, time++, key, WL_KEYBOARD_KEY_STATE_PRESSED);
    zwp_virtual_keyboard_v1_key(keyboard, time++, key, WL_KEYBOARD_KEY_STATE_RELEASED);
  }
  const bool handled = wl_display_roundtrip(display) >= 0;
  zwp_virtual_keyboard_v1_destroy(keyboard);
  wl_display_roundtrip(display);
  wl_display_disconnect(display);
  std::printf("typed %zu keys\n", keys.size());
  return handled ? 0 : 1;
}
