#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace marbrel {

// The program's launch arguments, and the one that switches it into its self-contained test mode.
class ProcessArguments {
 public:
  ProcessArguments() = default;
  explicit ProcessArguments(std::vector<std::string> arguments) : arguments_(std::move(arguments)) {}
  ProcessArguments(int argc, const char* const* argv);

  // Whether one argument is exactly `argument` (whole-argument match).
  bool contains(std::string_view argument) const;

  // "ui-testing": in-memory store, empty history, a separate status-item setting, exact search.
  bool uiTesting() const { return contains("ui-testing"); }

  const std::vector<std::string>& all() const { return arguments_; }

 private:
  std::vector<std::string> arguments_;
};

}  // namespace marbrel
