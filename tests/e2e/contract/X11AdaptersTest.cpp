// The X11 hot keys on a real X server. Root-window key grabs: a combination that another program
// holds is refused until it lets go, and ours is let go for others (presses reaching the program:
// the scenarios).
#include <cstdlib>
#include <string>

#include <gtest/gtest.h>

#include "contract/ContractEnvironment.h"
#include "shell/x11/X11Connection.h"
#include "shell/x11/X11HotKeyService.h"

#include <xcb/xcb.h>

namespace marbrel {
namespace {

// Waits until the X server has handled every request sent on `c`: requests of two connections
// reach the server in no set order.
void roundTrip(xcb_connection_t* c) { std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr)); }

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
  roundTrip(otherProgram.connection());
  const auto now = service.registerHotKey(kV, kCommandShift, {1, 3});
  ASSERT_TRUE(now.has_value()) << "free again once the other program lets go";
  service.unregisterHotKey(*now);
  roundTrip(ours.connection());
  const auto taken = other.registerHotKey(kV, kCommandShift, {1, 4});
  EXPECT_TRUE(taken.has_value()) << "ours went out";
  if (taken) other.unregisterHotKey(*taken);
  EXPECT_FALSE(service.registerHotKey(200, 0, {1, 5}).has_value()) << "a key code with no key";
}

}  // namespace
}  // namespace marbrel
