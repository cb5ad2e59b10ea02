#pragma once

#include <memory>

#include <QApplication>

#include <gtest/gtest.h>

namespace marbrel::e2e {

class WaylandSession;
class XSession;

// A private X server and one QApplication on it for the whole contract program; a private Wayland
// session too, started the first time a suite asks for it.
class ContractEnvironment : public ::testing::Environment {
 public:
  void SetUp() override;
  void TearDown() override;

  // Whether the X server came up (tests needing it skip otherwise).
  static bool haveDisplay();
  static XSession* session() { return session_; }
  // The Wayland session (check its problem()), started on first use and kept to the end.
  static WaylandSession& wayland();

 private:
  static XSession* session_;
  static std::unique_ptr<WaylandSession> wayland_;
  std::unique_ptr<QApplication> application_;
};

}  // namespace marbrel::e2e
