#pragma once

#include <memory>
#include <string>
#include <vector>

namespace marbrel::bench {

// The X display as the benchmark sees it: keys pressed as a user would (through XTest), and what
// the server says about the program's windows.
class XDisplay {
 public:
  // Opens $DISPLAY; check isOpen().
  XDisplay();
  ~XDisplay();
  XDisplay(const XDisplay&) = delete;
  XDisplay& operator=(const XDisplay&) = delete;

  bool isOpen() const;
  // Presses the keys named by X keysym names in order, then releases them in reverse order, and
  // sends the requests at once. False when a name is unknown.
  bool press(const std::vector<std::string>& keysyms);
  // Whether some client holds an active grab of the keyboard now (probed by trying to grab it).
  bool keyboardGrabbedElsewhere();
  // Whether `window` is mapped and viewable inside another window (a tray host's), not on the root.
  bool isEmbeddedAndViewable(unsigned long window);

 private:
  struct Display;
  std::unique_ptr<Display> display_;
};

}  // namespace marbrel::bench
