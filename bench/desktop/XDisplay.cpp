#include "XDisplay.h"

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

namespace marbrel::bench {

struct XDisplay::Display {
  ::Display* connection = nullptr;
  ~Display() {
    if (connection) XCloseDisplay(connection);
  }
};

XDisplay::XDisplay() : display_(std::make_unique<Display>()) {
  // A window gone between two requests is an answer, not a reason to end the program.
  XSetErrorHandler([](::Display*, XErrorEvent*) { return 0; });
  display_->connection = XOpenDisplay(nullptr);
  int event = 0, error = 0, major = 0, minor = 0;
  if (display_->connection && !XTestQueryExtension(display_->connection, &event, &error, &major, &minor)) {
    XCloseDisplay(display_->connection);
    display_->connection = nullptr;
  }
}

XDisplay::~XDisplay() = default;

bool XDisplay::isOpen() const { return display_->connection != nullptr; }

bool XDisplay::press(const std::vector<std::string>& keysyms) {
  ::Display* x = display_->connection;
  if (!x) return false;
  std::vector<KeyCode> codes;
  for (const std::string& name : keysyms) {
    const KeySym symbol = XStringToKeysym(name.c_str());
    const KeyCode code = symbol == NoSymbol ? 0 : XKeysymToKeycode(x, symbol);
    if (code == 0) return false;
    codes.push_back(code);
  }
  for (const KeyCode code : codes) XTestFakeKeyEvent(x, code, True, CurrentTime);
  for (auto code = codes.rbegin(); code != codes.rend(); ++code) XTestFakeKeyEvent(x, *code, False, CurrentTime);
  XFlush(x);
  return true;
}

bool XDisplay::keyboardGrabbedElsewhere() {
  ::Display* x = display_->connection;
  if (!x) return false;
  const int result = XGrabKeyboard(x, DefaultRootWindow(x), False, GrabModeAsync, GrabModeAsync, CurrentTime);
  if (result == GrabSuccess) XUngrabKeyboard(x, CurrentTime);
  XSync(x, False);
  return result == AlreadyGrabbed;
}

bool XDisplay::isEmbeddedAndViewable(unsigned long window) {
  ::Display* x = display_->connection;
  if (!x || window == 0) return false;
  Window root = 0, parent = 0;
  Window* children = nullptr;
  unsigned int count = 0;
  if (!XQueryTree(x, window, &root, &parent, &children, &count)) return false;
  if (children) XFree(children);
  XWindowAttributes attributes;
  if (!XGetWindowAttributes(x, window, &attributes)) return false;
  return parent != root && attributes.map_state == IsViewable;
}

}  // namespace marbrel::bench
