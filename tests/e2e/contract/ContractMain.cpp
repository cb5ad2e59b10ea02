// The contract program: its own Xvfb for all suites, and a headless sway when a suite first needs one.
#include "contract/ContractEnvironment.h"

namespace marbrel::e2e {

void ContractEnvironment::SetUp() {
  x_ = std::make_unique<XSession>(std::string(MARBREL_E2E_OUTPUT) + "/contract");
  if (!x_->ok()) return;
  applyEnvironment(x_->environment());
  static int argc = 1;
  static char name[] = "test_contract";
  static char* argv[] = {name, nullptr};
  application_ = std::make_unique<QApplication>(argc, argv);
}

WaylandSession& ContractEnvironment::wayland() {
  const std::string logDir = std::string(MARBREL_E2E_OUTPUT) + "/contract-wayland";
  if (!wayland_) wayland_ = std::make_unique<WaylandSession>(Compositor::sway, logDir);
  return *wayland_;
}

void ContractEnvironment::TearDown() {
  wayland_.reset();
  application_.reset();
  x_.reset();
}

}  // namespace marbrel::e2e

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  ::testing::AddGlobalTestEnvironment(new marbrel::e2e::ContractEnvironment);
  return RUN_ALL_TESTS();
}
