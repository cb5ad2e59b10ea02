// The desktop's XSETTINGS read from a real X server: a settings manager's blob arrives whole, and
// no manager (or one that went away) means no settings.
#include <string>

#include <gtest/gtest.h>

#include "contract/ContractEnvironment.h"
#include "shell/x11/X11Connection.h"
#include "shell/x11/X11XSettingsSource.h"

#include <X11/Xlib.h>
#include <xcb/xcb.h>

namespace marbrel {
namespace {

xcb_atom_t atom(xcb_connection_t* c, const std::string& name) {
  auto* reply = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, std::uint16_t(name.size()), name.c_str()), nullptr);
  const xcb_atom_t value = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
  free(reply);
  return value;
}

void roundTrip(xcb_connection_t* c) { free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr)); }

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
