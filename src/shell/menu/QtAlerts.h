#pragma once

#include "core/platform/Alerts.h"

namespace marbrel {

class Strings;

// Confirmation alerts as modal message boxes. An open menu is closed first, since it holds the
// keyboard.
class QtAlerts : public Alerts {
 public:
  // `strings` is not owned and outlives the alerts.
  explicit QtAlerts(const Strings& strings) : strings_(strings) {}

  int runModal(const Alert& alert) override;

 private:
  const Strings& strings_;
};

}  // namespace marbrel
