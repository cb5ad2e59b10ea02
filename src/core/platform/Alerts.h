#pragma once

#include <string>
#include <vector>

namespace marbrel {

// Modal alerts that ask the user a question and wait for the answer.
class Alerts {
 public:
  enum class Style { warning = 0, informational = 1, critical = 2 };

  // The answer for the first button; the n-th button (counting from 0) answers this + n.
  static constexpr int kFirstButtonReturn = 1000;
  static constexpr int kSecondButtonReturn = 1001;

  // One alert; every text is given as a key of the string table, which the implementation looks up.
  struct Alert {
    std::string messageKey;
    std::string informativeKey;
    Style style = Style::warning;
    // Button title keys in the order they are added; the first is the default button.
    std::vector<std::string> buttonKeys;
    // Texts put in place of "%1", "%2"… in the informative text, in order.
    std::vector<std::string> informativeArguments = {};
  };

  virtual ~Alerts() = default;

  // Shows the alert in front of every window and runs a modal loop until the user answers. Returns
  // kFirstButtonReturn + the index of the chosen button; closing the alert any other way (Escape,
  // the window's close button) answers as the first button.
  virtual int runModal(const Alert& alert) = 0;
};

}  // namespace marbrel
