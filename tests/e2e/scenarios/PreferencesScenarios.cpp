// The preference window as a user meets it: opened from the menu's footer, its two panes, and a
// change that the menu shows at its next opening.
#include <string>

#include <gtest/gtest.h>

#include "support/MarbrelSession.h"

namespace marbrel::e2e {
namespace {

class PreferencesScenario : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    session = std::make_unique<MarbrelSession>(info->name());
    if (!session->problem().empty()) GTEST_SKIP() << session->problem();
    ASSERT_TRUE(session->startMarbrel()) << "Marbrel did not come up; see " << session->outputDir();
  }
  void TearDown() override { session.reset(); }

  std::string openMenu() {
    session->key("ctrl+shift+v");
    return session->waitForMenu();
  }
  // The id of the one visible window whose title matches `pattern`, waiting for it.
  std::string waitForWindow(const std::string& pattern) {
    std::string id;
    waitFor([&] {
      const auto ids = session->x().findWindows(pattern);
      if (ids.empty()) return false;
      id = ids.front();
      return true;
    });
    return id;
  }
  // Gives a window the keyboard focus (there is no window manager to do it) and waits until it has it.
  bool focus(const std::string& id) {
    return waitFor([&] {
      session->x().run({"xdotool", "windowfocus", id});
      return session->x().run({"xdotool", "getwindowfocus"}).out.find(id) != std::string::npos;
    });
  }
  // Saves the window as <output>/<name>.png; true when it is drawn (text and controls, not blank).
  bool screenshotWindow(const std::string& id, const std::string& name) {
    const std::string file = session->outputDir() + "/" + name + ".png";
    return session->x().screenshot(file, id) && XSession::colourCount(file) > 16;
  }
  std::string storedSetting(const std::string& key) {
    return session->x().run({MARBREL_EXECUTABLE, "defaults", "read", key}).out;
  }

  std::unique_ptr<MarbrelSession> session;
};

TEST_F(PreferencesScenario, UntickingShowFooterRemovesTheFooterFromTheNextMenu) {
  ASSERT_TRUE(session->copy({{"text/plain", "alpha one"}}));
  ASSERT_TRUE(session->waitForEntry("alpha one"));
  std::string menu = openMenu();
  ASSERT_FALSE(menu.empty());
  const int withFooter = session->windowHeight(menu);

  // The footer's preferences command (Ctrl+,) opens the window on the General pane.
  session->key("ctrl+comma");
  const std::string window = waitForWindow("^General – Marbrel$");
  ASSERT_FALSE(window.empty()) << "the preferences command opens the window on the General pane";
  EXPECT_TRUE(session->waitForMenuClosed());
  EXPECT_TRUE(screenshotWindow(window, "preferences-general"));

  // Ctrl+Page Down goes on to the Appearance pane; its title names the window.
  ASSERT_TRUE(focus(window));
  session->key("ctrl+Next");
  ASSERT_FALSE(waitForWindow("^Appearance – Marbrel$").empty()) << "the Appearance pane is shown";
  // The pane change animates for a quarter of a second; the picture is taken once it has landed.
  const std::string appearanceShot = session->outputDir() + "/preferences-appearance.png";
  EXPECT_TRUE(waitFor([&] {
    return session->x().screenshot(appearanceShot, window) && XSession::colourCount(appearanceShot) > 16;
  }));

  // Alt+F is the mnemonic of the "Footer" box: it unticks it and the setting is written at once.
  session->key("alt+f");
  ASSERT_TRUE(waitFor([&] {
    const std::string value = storedSetting("hideFooter");
    return value.find("true") != std::string::npos || value.find('1') != std::string::npos;
  })) << "hideFooter becomes true";
  EXPECT_TRUE(screenshotWindow(window, "preferences-appearance-footer-off"));

  session->key("ctrl+w");
  EXPECT_TRUE(waitFor([&] { return session->x().findWindows("^Appearance – Marbrel$").empty(); })) << "Ctrl+W closes it";

  menu = openMenu();
  ASSERT_FALSE(menu.empty());
  EXPECT_TRUE(waitFor([&] { return session->windowHeight(menu) < withFooter; })) << "the footer is gone";
  EXPECT_TRUE(session->screenshotMenu("menu-without-footer"));
  session->key("Escape");
  EXPECT_TRUE(session->waitForMenuClosed());
}

}  // namespace
}  // namespace marbrel::e2e
