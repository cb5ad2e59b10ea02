#include "shell/x11/XTestKeySynthesizer.h"

#include <vector>

#include "shell/qt/GuiConnectionSync.h"
#include "shell/x11/X11Connection.h"
#include "shell/x11/X11Modifiers.h"
#include "xkb/KeyPositions.h"

// X11 headers last: their macros (Bool, Status, None...) break Qt headers included after them.
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

namespace marbrel {

namespace {

constexpr std::uint64_t kShiftFlag = 0x20000;
constexpr std::uint64_t kControlFlag = 0x40000;
constexpr std::uint64_t kOptionFlag = 0x80000;
constexpr std::uint64_t kCommandFlag = 0x100000;

// The modifier keys to hold for the flags, in the order they go down.
std::vector<KeyCode> modifierKeys(Display* display, std::uint64_t flags) {
  std::vector<KeyCode> keys;
  auto add = [&](KeySym sym) {
    const KeyCode code = XKeysymToKeycode(display, sym);
    if (code != 0) keys.push_back(code);
  };
  if (flags & kCommandFlag) add(XK_Control_L);
  if (flags & kShiftFlag) add(XK_Shift_L);
  if (flags & kOptionFlag) add(XK_Alt_L);
  if (flags & kControlFlag) add(XK_Super_L);
  return keys;
}

bool isDown(const char keys[32], unsigned code) { return (keys[code / 8] >> (code % 8)) & 1; }

}  // namespace

XTestKeySynthesizer::XTestKeySynthesizer(X11Connection& connection) : connection_(connection) {
  if (Display* display = connection_.display()) {
    int eventBase = 0, errorBase = 0, major = 0, minor = 0;
    available_ = XTestQueryExtension(display, &eventBase, &errorBase, &major, &minor);
  }
}

bool XTestKeySynthesizer::postKeyEvent(std::uint16_t keyCode, bool keyDown, std::uint64_t flags) {
  Display* display = connection_.display();
  if (!display || !available_) return false;
  const std::optional<std::uint32_t> xKeyCode = xKeyCodeForVirtualKeyCode(keyCode);
  if (!xKeyCode) return false;
  const std::vector<KeyCode> modifiers = modifierKeys(display, flags);
  if (keyDown) {
    // The menu's grab must be gone and the chosen entry on the clipboard before the window in front
    // gets the key: both were asked for on Qt's connection, the key travels on this one.
    syncGuiConnection();
    // Modifiers still held from the shortcut that opened the menu would reach the target with our
    // key (Ctrl+Shift+V instead of Ctrl+V): release them first.
    char pressed[32] = {};
    XQueryKeymap(display, pressed);
    for (std::uint8_t code : X11Modifiers::read(display).modifierKeyCodes) {
      if (isDown(pressed, code)) XTestFakeKeyEvent(display, code, False, CurrentTime);
    }
    for (KeyCode code : modifiers) XTestFakeKeyEvent(display, code, True, CurrentTime);
    XTestFakeKeyEvent(display, *xKeyCode, True, CurrentTime);
  } else {
    XTestFakeKeyEvent(display, *xKeyCode, False, CurrentTime);
    for (auto it = modifiers.rbegin(); it != modifiers.rend(); ++it) {
      XTestFakeKeyEvent(display, *it, False, CurrentTime);
    }
  }
  XFlush(display);
  return true;
}

}  // namespace marbrel
