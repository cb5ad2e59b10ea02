#pragma once

#include "core/platform/AboutPresenter.h"

namespace marbrel {

// Counts the About panel's showings.
class FakeAboutPresenter : public AboutPresenter {
 public:
  void openAbout() override { ++openCount; }
  int openCount = 0;
};

}  // namespace marbrel
