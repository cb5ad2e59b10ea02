// The X11 adapters on a real X server. Root-window key grabs: a combination that another program
// holds is refused until it lets go, and ours is let go for others (presses reaching the program:
// the scenarios). The desktop's XSETTINGS: a settings manager's blob arrives whole, and no manager
// (or one that went away) means no settings.
#include <cstdlib>
#include <string>

#include <gtest/gtest.h>

#include "contract/ContractEnvironment.h"
#include "shell/x11/X11Connection.h"
#include "shell/x11/X11HotKeyService.h"
#include "shell/x11/X11XSettingsSource.h"

#include <X11/Xlib.h>
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
  service.unregisterHotKey(*now);  // twice is harmless
  roundTrip(ours.connection());
  const auto taken = other.registerHotKey(kV, kCommandShift, {1, 4});
  EXPECT_TRUE(taken.has_value()) << "ours went out";
  if (taken) other.unregisterHotKey(*taken);
  EXPECT_FALSE(service.registerHotKey(200, 0, {1, 5}).has_value()) << "a key code with no key";
}

xcb_atom_t atom(xcb_connection_t* c, const std::string& name) {
  auto* reply = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, std::uint16_t(name.size()), name.c_str()), nullptr);
  const xcb_atom_t value = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
  free(reply);
  return value;
}

// "Net/ThemeName" = "HighContrast", least significant byte first: the header (order, serial 1,
// one setting), then type 1 (string), name length 13, the padded name, last change 0, length 12.
const std::string kHighContrastBlob(std::string("\0\0\0\0\1\0\0\0\1\0\0\0", 12) +
                                    std::string("\1\0\x0d\0", 4) + std::string("Net/ThemeName\0\0\0", 16) +
                                    std::string("\0\0\0\0\x0c\0\0\0", 8) + "HighContrast");

TEST(X11XSettingsSourceTest, ReadsTheManagersSettingsAndNothingOnceItIsGone) {
  if (!e2e::ContractEnvironment::haveDisplay()) GTEST_SKIP() << "no X server";
  X11Connection managerConnection, programConnection;
  ASSERT_TRUE(managerConnection.isOpen() && programConnection.isOpen());
  const X11XSettingsSource source(programConnection);
  EXPECT_FALSE(source.read()) << "no settings manager yet";

  // A settings manager: a window that owns the screen's settings selection and carries the property.
  xcb_connection_t* c = managerConnection.connection();
  const xcb_window_t manager = xcb_generate_id(c);
  xcb_create_window(c, XCB_COPY_FROM_PARENT, manager, managerConnection.rootWindow(), 0, 0, 1, 1, 0,
                    XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
  const xcb_atom_t property = atom(c, "_XSETTINGS_SETTINGS");
  xcb_change_property(c, XCB_PROP_MODE_REPLACE, manager, property, property, 8,
                      std::uint32_t(kHighContrastBlob.size()), kHighContrastBlob.data());
  const std::string selection = "_XSETTINGS_S" + std::to_string(XDefaultScreen(managerConnection.display()));
  xcb_set_selection_owner(c, manager, atom(c, selection), XCB_CURRENT_TIME);
  roundTrip(c);
  const auto blob = source.read();
  ASSERT_TRUE(blob);
  EXPECT_EQ(*blob, kHighContrastBlob);

  xcb_destroy_window(c, manager);
  roundTrip(c);
  EXPECT_FALSE(source.read()) << "the manager went away";
}

}  // namespace
}  // namespace marbrel
