#pragma once

#include <functional>
#include <vector>

#include "core/platform/Alerts.h"

namespace marbrel {

// Alerts answered by the test: records each alert and gives the answer set beforehand.
class FakeAlerts : public Alerts {
 public:
  int runModal(const Alert& alert) override {
    shown.push_back(alert);
    if (whileShown) whileShown();
    return answer;
  }

  // Test controls: the answer every alert gets, and what happens while one is up.
  int answer = kFirstButtonReturn;
  std::function<void()> whileShown;
  std::vector<Alert> shown;
};

}  // namespace marbrel
