#pragma once

#include <string>
#include <vector>

#include "core/platform/FrontWindow.h"

namespace marbrel {

// The program in front is whatever the test says.
class FakeFrontWindow : public FrontWindow {
 public:
  std::vector<std::string> applicationIds() const override { return ids; }

  std::vector<std::string> ids;
};

}  // namespace marbrel
