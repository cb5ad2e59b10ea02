#pragma once

#include <memory>

#include <QApplication>

#include <gtest/gtest.h>

namespace marbrel::e2e {

class XSession;

// A private X server and one QApplication on it for the whole contract program.
class ContractEnvironment : public ::testing::Environment {
 public:
  void SetUp() override;
  void TearDown() override;

  // Whether the X server came up (tests needing it skip otherwise).
  static bool haveDisplay();
  static XSession* session() { return session_; }

 private:
  static XSession* session_;
  std::unique_ptr<QApplication> application_;
};

}  // namespace marbrel::e2e
