#include "shell/wayland/WaylandKeySynthesizer.h"

#include <chrono>
#include <cstdlib>
#include <optional>
#include <utility>
#include <vector>
#include <sys/mman.h>
#include <unistd.h>

#include <wayland-client.h>

#include "shell/qt/GuiConnectionSync.h"
#include "shell/wayland/WaylandConnection.h"
#include "wayland/kde-fake-input-client.h"
#include "wayland/virtual-keyboard-unstable-v1-client.h"
#include "xkb/KeyPositions.h"
#include "xkb/PasteKeymap.h"

namespace marbrel {

namespace {

constexpr std::uint64_t kShiftFlag = 0x20000;
constexpr std::uint64_t kControlFlag = 0x40000;
constexpr std::uint64_t kOptionFlag = 0x80000;
constexpr std::uint64_t kCommandFlag = 0x100000;

// Evdev codes of the modifier keys KWin is sent (its keymap is the user's).
constexpr std::uint32_t kEvdevLeftShift = 42;
constexpr std::uint32_t kEvdevLeftControl = 29;
constexpr std::uint32_t kEvdevLeftAlt = 56;
constexpr std::uint32_t kEvdevLeftMeta = 125;

// Fake input sends keys from version 4 on.
constexpr std::uint32_t kFakeInputVersion = 4;

std::uint32_t nowInMilliseconds() {
  const auto now = std::chrono::steady_clock::now().time_since_epoch();
  return static_cast<std::uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

// The keymap in a memory file, as the protocol passes it.
int keymapFile(const std::string& text, std::size_t& size) {
  size = text.size() + 1;  // with the terminating NUL
  const int fd = ::memfd_create("marbrel-keymap", MFD_CLOEXEC);
  if (fd < 0) return -1;
  if (::write(fd, text.c_str(), size) != ssize_t(size)) {
    ::close(fd);
    return -1;
  }
  return fd;
}

}  // namespace

struct SettledEvents {
  static void done(void* data, wl_callback* callback, std::uint32_t) {
    auto* self = static_cast<WaylandKeySynthesizer*>(data);
    wl_callback_destroy(callback);
    self->settling_ = nullptr;
    self->sendQueued();
  }
  static constexpr wl_callback_listener listener = {done};
};

WaylandKeySynthesizer::WaylandKeySynthesizer(WaylandConnection& connection, std::function<void()> explainUnavailable,
                                             const std::string& reason)
    : connection_(connection), explainUnavailable_(std::move(explainUnavailable)) {
  if (auto* manager = static_cast<zwp_virtual_keyboard_manager_v1*>(
          connection_.bind(zwp_virtual_keyboard_manager_v1_interface, 1))) {
    if (connection_.seat()) {
      keyboard_ = zwp_virtual_keyboard_manager_v1_create_virtual_keyboard(manager, connection_.seat());
    }
    wl_proxy_destroy(reinterpret_cast<wl_proxy*>(manager));  // the keyboard lives on without it
    std::size_t size = 0;
    const int fd = keyboard_ ? keymapFile(paste_keymap::text(), size) : -1;
    if (fd >= 0) {
      zwp_virtual_keyboard_v1_keymap(keyboard_, WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1, fd, std::uint32_t(size));
      ::close(fd);
      // A compositor that refuses this client a keyboard ends the connection with an error.
      if (connection_.roundtrip()) method_ = Method::virtualKeyboard;
    }
  }
  if (method_ == Method::none) {
    const WaylandConnection::Global* global = connection_.global(org_kde_kwin_fake_input_interface.name);
    if (global && global->version >= kFakeInputVersion) {
      fakeInput_ = static_cast<org_kde_kwin_fake_input*>(
          connection_.bind(org_kde_kwin_fake_input_interface, kFakeInputVersion));
    }
    if (fakeInput_) {
      org_kde_kwin_fake_input_authenticate(fakeInput_, "Marbrel", reason.c_str());
      connection_.flush();
      method_ = Method::kwinFakeInput;
    }
  }
}

WaylandKeySynthesizer::~WaylandKeySynthesizer() {
  if (settling_) wl_callback_destroy(settling_);
  if (keyboard_) zwp_virtual_keyboard_v1_destroy(keyboard_);
  // Fake input has no destroy request before version 5: the proxy alone goes.
  if (fakeInput_) wl_proxy_destroy(reinterpret_cast<wl_proxy*>(fakeInput_));
  connection_.flush();
}

const char* WaylandKeySynthesizer::methodName() const {
  switch (method_) {
    case Method::virtualKeyboard: return "zwp_virtual_keyboard_v1";
    case Method::kwinFakeInput: return "org_kde_kwin_fake_input";
    case Method::none: break;
  }
  return "none";
}

bool WaylandKeySynthesizer::requestTrust() {
  if (method_ != Method::none) return true;
  if (auto explain = std::exchange(explainUnavailable_, nullptr)) explain();
  return false;
}

bool WaylandKeySynthesizer::postKeyEvent(std::uint16_t keyCode, bool keyDown, std::uint64_t flags) {
  if (method_ == Method::none || connection_.failed()) return false;
  const std::optional<std::uint32_t> xKeyCode = xKeyCodeForVirtualKeyCode(keyCode);
  if (!xKeyCode) return false;
  std::optional<std::uint32_t> evdev = *xKeyCode - 8;
  if (method_ == Method::virtualKeyboard) evdev = paste_keymap::evdevKeyForXKeyCode(*xKeyCode);
  if (!evdev) return false;
  queued_.push_back({*evdev, keyDown, flags});
  sendWhenSettled();
  return true;
}

void WaylandKeySynthesizer::sendWhenSettled() {
  if (settling_) return;  // the events queued meanwhile go along
  // The menu that chose the entry has just closed: once the X server has unmapped its window and
  // the compositor has handled that (it answers a sync after everything it got before), the
  // keyboard is back with the window in front.
  // The menu window must be gone (its unmapping handled by the X server) before the compositor is
  // asked anything.
  syncGuiConnection();
  settling_ = wl_display_sync(connection_.display());
  wl_callback_add_listener(settling_, &SettledEvents::listener, this);
  connection_.flush();
}

void WaylandKeySynthesizer::sendQueued() {
  for (const KeyEvent& event : std::exchange(queued_, {})) {
    if (method_ == Method::virtualKeyboard) {
      sendThroughVirtualKeyboard(event);
    } else {
      sendThroughFakeInput(event);
    }
  }
  connection_.flush();
}

void WaylandKeySynthesizer::sendThroughVirtualKeyboard(const KeyEvent& event) {
  // The modifiers are state, not keys: the program in front sees exactly the flags asked for,
  // whatever the user still holds on the real keyboard.
  const std::uint32_t time = nowInMilliseconds();
  if (event.keyDown) {
    zwp_virtual_keyboard_v1_modifiers(keyboard_, paste_keymap::modifierMask(event.flags), 0, 0, 0);
    zwp_virtual_keyboard_v1_key(keyboard_, time, event.evdevKey, WL_KEYBOARD_KEY_STATE_PRESSED);
  } else {
    zwp_virtual_keyboard_v1_key(keyboard_, time, event.evdevKey, WL_KEYBOARD_KEY_STATE_RELEASED);
    zwp_virtual_keyboard_v1_modifiers(keyboard_, 0, 0, 0, 0);
  }
}

void WaylandKeySynthesizer::sendThroughFakeInput(const KeyEvent& event) {
  std::vector<std::uint32_t> modifiers;
  if (event.flags & kCommandFlag) modifiers.push_back(kEvdevLeftControl);
  if (event.flags & kShiftFlag) modifiers.push_back(kEvdevLeftShift);
  if (event.flags & kOptionFlag) modifiers.push_back(kEvdevLeftAlt);
  if (event.flags & kControlFlag) modifiers.push_back(kEvdevLeftMeta);
  if (event.keyDown) {
    for (std::uint32_t key : modifiers) {
      org_kde_kwin_fake_input_keyboard_key(fakeInput_, key, WL_KEYBOARD_KEY_STATE_PRESSED);
    }
    org_kde_kwin_fake_input_keyboard_key(fakeInput_, event.evdevKey, WL_KEYBOARD_KEY_STATE_PRESSED);
  } else {
    org_kde_kwin_fake_input_keyboard_key(fakeInput_, event.evdevKey, WL_KEYBOARD_KEY_STATE_RELEASED);
    for (auto it = modifiers.rbegin(); it != modifiers.rend(); ++it) {
      org_kde_kwin_fake_input_keyboard_key(fakeInput_, *it, WL_KEYBOARD_KEY_STATE_RELEASED);
    }
  }
}

}  // namespace marbrel
