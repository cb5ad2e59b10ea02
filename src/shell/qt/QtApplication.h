#pragma once

#include "core/platform/Application.h"

namespace marbrel {

// The running Qt application: quitting its event loop and raising its windows.
class QtApplication : public Application {
 public:
  void stop() override;
  void activateIgnoringOtherApps() override;
};

}  // namespace marbrel
