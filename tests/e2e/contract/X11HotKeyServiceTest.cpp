// Root-window key grabs on a real X server: presses reach the handler with the id, locks do not
// stop them, and a combination that another program holds is refused.
#include <cstdlib>
#include <memory>
#include <vector>

#include <gtest/gtest.h>
#include <xcb/xcb.h>

#include "contract/ContractEnvironment.h"
#include "shell/X11Connection.h"
#include "shell/X11HotKeyService.h"
#include "support/QtEvents.h"
#include "support/XSession.h"

namespace marbrel {
namespace {

using testing::processEventsUntil;

// Waits until the X server has handled every request sent on `connection`: requests of two
// connections reach the server in no set order, so a grab on one after an ungrab on the other must
// wait for this.
void sync(X11Connection& connection) {
  std::free(xcb_get_input_focus_reply(connection.connection(), xcb_get_input_focus(connection.connection()), nullptr));
}

constexpr std::uint32_t kV = 9;
constexpr std::uint32_t kCommandShift = 0x100 | 0x200;

class X11HotKeyServiceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!e2e::ContractEnvironment::haveDisplay()) GTEST_SKIP() << "no X server";
    connection = std::make_unique<X11Connection>();
    ASSERT_TRUE(connection->isOpen());
    service = std::make_unique<X11HotKeyService>(*connection);
    ASSERT_TRUE(service->installHandler([this](const HotKeyService::Event& event) {
      events.push_back(event);
      return true;
    }));
  }
  void press(const std::string& keys) { e2e::ContractEnvironment::session()->run({"xdotool", "key", keys}); }

  std::unique_ptr<X11Connection> connection;
  std::unique_ptr<X11HotKeyService> service;
  std::vector<HotKeyService::Event> events;
};

TEST_F(X11HotKeyServiceTest, ARegisteredCombinationReportsPressAndReleaseWithItsIdCapsLockOrNot) {
  const auto registration = service->registerHotKey(kV, kCommandShift, {0x5452484B, 7});
  ASSERT_TRUE(registration.has_value());
  press("ctrl+shift+v");
  ASSERT_TRUE(processEventsUntil([&] { return events.size() >= 2; }));
  EXPECT_EQ(events[0].hotKeyId.id, 7u);
  EXPECT_EQ(events[0].hotKeyId.signature, 0x5452484Bu);
  EXPECT_EQ(events[0].kind, HotKeyService::EventKind::pressed);
  EXPECT_EQ(events[1].kind, HotKeyService::EventKind::released);
  press("Caps_Lock");
  press("ctrl+shift+v");
  press("Caps_Lock");
  EXPECT_TRUE(processEventsUntil([&] { return events.size() >= 4; })) << "Caps Lock does not stop it";
  service->unregisterHotKey(*registration);
}

TEST_F(X11HotKeyServiceTest, ACombinationAnotherProgramHoldsIsRefusedUntilItLetsGo) {
  X11Connection otherProgram;
  X11HotKeyService other(otherProgram);
  const auto held = other.registerHotKey(kV, kCommandShift, {1, 1});
  ASSERT_TRUE(held.has_value());
  EXPECT_FALSE(service->registerHotKey(kV, kCommandShift, {1, 2}).has_value());
  other.unregisterHotKey(*held);
  sync(otherProgram);
  const auto now = service->registerHotKey(kV, kCommandShift, {1, 3});
  ASSERT_TRUE(now.has_value()) << "free again once the other program lets go";
  service->unregisterHotKey(*now);
  service->unregisterHotKey(*now);  // twice is harmless
  sync(*connection);
  // The other program's grab of the same combination succeeds: ours went out.
  const auto taken = other.registerHotKey(kV, kCommandShift, {1, 4});
  EXPECT_TRUE(taken.has_value());
  if (taken) other.unregisterHotKey(*taken);
  EXPECT_FALSE(service->registerHotKey(200, 0, {1, 5}).has_value()) << "a key code with no key";
}

}  // namespace
}  // namespace marbrel
