#include "XKeyboard.h"

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

namespace marbrel::bench {

struct XKeyboard::Display {
  ::Display* connection = nullptr;
  ~Display() {
    if (connection) XCloseDisplay(connection);
  }
};

XKeyboard::XKeyboard() : display_(std::make_unique<Display>()) {
  display_->connection = XOpenDisplay(nullptr);
  int event = 0, error = 0, major = 0, minor = 0;
  if (display_->connection && !XTestQueryExtension(display_->connection, &event, &error, &major, &minor)) {
    XCloseDisplay(display_->connection);
    display_->connection = nullptr;
  }
}

XKeyboard::~XKeyboard() = default;

bool XKeyboard::isOpen() const { return display_->connection != nullptr; }

bool XKeyboard::press(const std::vector<std::string>& keysyms) {
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

bool XKeyboard::keyboardGrabbedElsewhere() {
  ::Display* x = display_->connection;
  if (!x) return false;
  const int result = XGrabKeyboard(x, DefaultRootWindow(x), False, GrabModeAsync, GrabModeAsync, CurrentTime);
  if (result == GrabSuccess) XUngrabKeyboard(x, CurrentTime);
  XSync(x, False);
  return result == AlreadyGrabbed;
}

}  // namespace marbrel::bench
