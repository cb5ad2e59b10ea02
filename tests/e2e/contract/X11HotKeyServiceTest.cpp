// Root-window key grabs on a real X server: a combination that another program holds is refused
// until it lets go, and ours is let go for others. (Presses reaching the program: the scenarios.)
#include <cstdlib>

#include <gtest/gtest.h>
#include <xcb/xcb.h>

#include "contract/ContractEnvironment.h"
#include "shell/x11/X11Connection.h"
#include "shell/x11/X11HotKeyService.h"

namespace marbrel {
namespace {

// Waits until the X server has handled every request sent on `connection`: requests of two
// connections reach the server in no set order.
void sync(X11Connection& connection) {
  std::free(xcb_get_input_focus_reply(connection.connection(), xcb_get_input_focus(connection.connection()), nullptr));
}

TEST(X11HotKeyServiceTest, ACombinationAnotherProgramHoldsIsRefusedUntilItLetsGo) {
  if (!e2e::ContractEnvironment::haveDisplay()) GTEST_SKIP() << "no X server";
  constexpr std::uint32_t kV = 9, kCommandShift = 0x100 | 0x200;
  X11Connection ours, otherProgram;
  ASSERT_TRUE(ours.isOpen() && otherProgram.isOpen());
  X11HotKeyService service(ours), other(otherProgram);
  const auto held = other.registerHotKey(kV, kCommandShift, {1, 1});
  ASSERT_TRUE(held.has_value());
  EXPECT_FALSE(service.registerHotKey(kV, kCommandShift, {1, 2}).has_value());
  other.unregisterHotKey(*held);
  sync(otherProgram);
  const auto now = service.registerHotKey(kV, kCommandShift, {1, 3});
  ASSERT_TRUE(now.has_value()) << "free again once the other program lets go";
  service.unregisterHotKey(*now);
  service.unregisterHotKey(*now);  // twice is harmless
  sync(ours);
  const auto taken = other.registerHotKey(kV, kCommandShift, {1, 4});
  EXPECT_TRUE(taken.has_value()) << "ours went out";
  if (taken) other.unregisterHotKey(*taken);
  EXPECT_FALSE(service.registerHotKey(200, 0, {1, 5}).has_value()) << "a key code with no key";
}

}  // namespace
}  // namespace marbrel
