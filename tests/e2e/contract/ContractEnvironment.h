#pragma once

#include <memory>

#include <QApplication>

#include <gtest/gtest.h>

#include "support/WaylandSession.h"
#include "support/XSession.h"

namespace marbrel::e2e {

// A private X server and one QApplication on it for the whole contract program; a private Wayland
// session too, started the first time a suite asks for it.
class ContractEnvironment : public ::testing::Environment {
 public:
  void SetUp() override;
  void TearDown() override;

  static bool haveDisplay() { return x_ && x_->ok(); }
  static XSession& x() { return *x_; }
  // Check its problem(): it may not have come up.
  static WaylandSession& wayland();

 private:
  static inline std::unique_ptr<XSession> x_;
  static inline std::unique_ptr<WaylandSession> wayland_;
  std::unique_ptr<QApplication> application_;
};

}  // namespace marbrel::e2e
