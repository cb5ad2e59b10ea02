// The desktop's XSETTINGS read from a real X server: a settings manager's blob arrives whole, and
// no manager (or one that went away) means no settings.
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "contract/ContractEnvironment.h"
#include "shell/DesktopContrast.h"
#include "shell/X11Connection.h"
#include "shell/X11XSettingsSource.h"

#include <X11/Xlib.h>
#include <xcb/xcb.h>

namespace marbrel {
namespace {

// A settings manager of the tests' own: a window that owns the screen's settings selection and
// carries the settings property.
class SettingsManager {
 public:
  SettingsManager(X11Connection& connection, const std::string& blob) : connection_(connection) {
    xcb_connection_t* c = connection.connection();
    window_ = xcb_generate_id(c);
    xcb_create_window(c, XCB_COPY_FROM_PARENT, window_, connection.rootWindow(), 0, 0, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
    const xcb_atom_t property = atom("_XSETTINGS_SETTINGS");
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, window_, property, property, 8, std::uint32_t(blob.size()),
                        blob.data());
    const std::string selection = "_XSETTINGS_S" + std::to_string(XDefaultScreen(connection.display()));
    xcb_set_selection_owner(c, window_, atom(selection), XCB_CURRENT_TIME);
    free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));  // a round trip: all done
  }
  ~SettingsManager() { quit(); }
  void quit() {
    if (!window_) return;
    xcb_destroy_window(connection_.connection(), window_);
    free(xcb_get_input_focus_reply(connection_.connection(), xcb_get_input_focus(connection_.connection()), nullptr));
    window_ = 0;
  }

 private:
  xcb_atom_t atom(const std::string& name) {
    xcb_connection_t* c = connection_.connection();
    auto* reply = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, std::uint16_t(name.size()), name.c_str()), nullptr);
    const xcb_atom_t value = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    free(reply);
    return value;
  }

  X11Connection& connection_;
  xcb_window_t window_ = 0;
};

// "Net/ThemeName" = "HighContrast", least significant byte first: the header (order, serial 1,
// one setting), then type 1 (string), name length 13, the padded name, last change 0, length 12.
const std::string kHighContrastBlob(std::string("\0\0\0\0\1\0\0\0\1\0\0\0", 12) +
                                    std::string("\1\0\x0d\0", 4) + std::string("Net/ThemeName\0\0\0", 16) +
                                    std::string("\0\0\0\0\x0c\0\0\0", 8) + "HighContrast");

TEST(X11XSettingsSourceTest, ReadsTheManagersSettingsAndNothingOnceItIsGone) {
  if (!e2e::ContractEnvironment::haveDisplay()) GTEST_SKIP() << "no X server";
  X11Connection managerConnection;
  X11Connection programConnection;
  ASSERT_TRUE(managerConnection.isOpen() && programConnection.isOpen());
  const X11XSettingsSource source(programConnection);
  EXPECT_FALSE(source.read()) << "no settings manager yet";

  auto manager = std::make_unique<SettingsManager>(managerConnection, kHighContrastBlob);
  const auto blob = source.read();
  ASSERT_TRUE(blob);
  EXPECT_EQ(*blob, kHighContrastBlob);
  EXPECT_TRUE(DesktopContrast::asksForContrast(nullptr, blob));

  manager->quit();
  EXPECT_FALSE(source.read()) << "the manager went away";
}

}  // namespace
}  // namespace marbrel
