#pragma once

#include "core/platform/Application.h"

namespace marbrel {

// Records requests to stop the event loop and to come to the front.
class FakeApplication : public Application {
 public:
  void stop() override { ++stopCount; }
  void activateIgnoringOtherApps() override { ++activateCount; }
  int stopCount = 0;
  int activateCount = 0;
};

}  // namespace marbrel
