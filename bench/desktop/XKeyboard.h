#pragma once

#include <memory>
#include <string>
#include <vector>

namespace marbrel::bench {

// Presses keys on the X display as a user would, through the XTest extension.
class XKeyboard {
 public:
  // Opens $DISPLAY; check isOpen().
  XKeyboard();
  ~XKeyboard();
  XKeyboard(const XKeyboard&) = delete;
  XKeyboard& operator=(const XKeyboard&) = delete;

  bool isOpen() const;
  // Presses the keys named by X keysym names in order, then releases them in reverse order, and
  // sends the requests at once. False when a name is unknown.
  bool press(const std::vector<std::string>& keysyms);
  // Whether some client holds an active grab of the keyboard now (probed by trying to grab it).
  bool keyboardGrabbedElsewhere();

 private:
  struct Display;
  std::unique_ptr<Display> display_;
};

}  // namespace marbrel::bench
