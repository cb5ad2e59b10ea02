// The contract suites run the adapters on real display servers: this program starts its own Xvfb
// before the first test and stops it after the last, and a headless sway when a suite needs one.
#include <cstdlib>
#include <memory>

#include <QApplication>

#include <gtest/gtest.h>

#include "contract/ContractEnvironment.h"
#include "support/WaylandSession.h"
#include "support/XSession.h"

namespace marbrel::e2e {

namespace {

int gArgc = 1;
char gName[] = "test_contract";
char* gArgv[] = {gName, nullptr};

}  // namespace

XSession* ContractEnvironment::session_ = nullptr;
std::unique_ptr<WaylandSession> ContractEnvironment::wayland_;

void ContractEnvironment::SetUp() {
  session_ = new XSession(std::string(MARBREL_E2E_OUTPUT) + "/contract");
  if (!session_->ok()) return;
  for (const auto& [key, value] : session_->environment()) {
    if (key.rfind("-", 0) == 0) {
      ::unsetenv(key.c_str() + 1);
    } else {
      ::setenv(key.c_str(), value.c_str(), 1);
    }
  }
  application_ = std::make_unique<QApplication>(gArgc, gArgv);
}

WaylandSession& ContractEnvironment::wayland() {
  if (!wayland_) wayland_ = std::make_unique<WaylandSession>(std::string(MARBREL_E2E_OUTPUT) + "/contract-wayland");
  return *wayland_;
}

void ContractEnvironment::TearDown() {
  wayland_.reset();
  application_.reset();
  delete session_;
  session_ = nullptr;
}

bool ContractEnvironment::haveDisplay() { return session_ && session_->ok(); }

}  // namespace marbrel::e2e

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  ::testing::AddGlobalTestEnvironment(new marbrel::e2e::ContractEnvironment);
  return RUN_ALL_TESTS();
}
