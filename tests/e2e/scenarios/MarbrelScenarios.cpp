// Marbrel as a user meets it: other programs' copies, the shortcut, the menu, the paste, the preferences.
#include <fstream>

#include "support/Scenario.h"

namespace marbrel::e2e {
namespace {

using MarbrelScenario = Scenario;

TEST_F(MarbrelScenario, CopiesAreCapturedQuickOnesTooOddTextSoundlyAndAnOwnerThatNeverFinishesHoldsUpNothing) {
  ASSERT_TRUE(copy({{"text/plain", "plain words"}, {"text/html", "<p>plain words</p>"}}));
  ASSERT_TRUE(waitForEntry("plain words"));
  EXPECT_TRUE(contains(typesOf(entryTitled("plain words")), "text/html"));
  // Each xclip serves one reading of its text and quits, and the next copy follows at once: a copy
  // read at once is not lost to the next, and an owner quitting after being read loses nothing.
  const std::vector<std::string> quick = {"first quick copy", "second quick copy", "third quick copy"};
  for (const std::string& text : quick) {
    std::ofstream(outputDir + "/" + text) << text;
    const auto xclip = launch({"xclip", "-selection", "clipboard", "-i", "-quiet", "-loops", "1", outputDir + "/" + text},
                              "xclip.log");
    ASSERT_TRUE(waitFor([&] { return !xclip->running(); })) << "Marbrel should read " << text;
  }
  for (const std::string& text : quick) EXPECT_TRUE(waitForEntry(text)) << text;

  // Text that is not UTF-8 is recorded as valid text (the history's JSON would not parse otherwise).
  ASSERT_TRUE(copy({{"text/plain", std::string("ok \xff\xfe\xfd", 6)}}));
  EXPECT_TRUE(waitFor([&] { return history().size() == 5 && history()[0].value("title", "").rfind("ok ", 0) == 0; }));

  // An owner that offers a text and never sends it holds up neither the menu nor the next copy.
  owners.push_back(launch({MARBREL_E2E_HELPER, "stalled-clipboard", "text/plain"}, "stalled.log"));
  ASSERT_TRUE(waitFor([&] { return readFile(outputDir + "/stalled.log").find("asked") != std::string::npos; }))
      << "Marbrel should ask for the new text";
  const std::string menu = openMenu();
  ASSERT_FALSE(menu.empty()) << "the shortcut opens the menu while the owner stalls";
  EXPECT_TRUE(screenshot("captured")) << "the menu should show the copies";
  EXPECT_TRUE(filter("qui")) << "and it filters";
  EXPECT_TRUE(closeMenu());
  EXPECT_TRUE(copyText("after the stall"));
  EXPECT_EQ(history().size(), 6u) << "the text that never arrived is not recorded";
}

TEST_F(MarbrelScenario, FromTheKeyboardTheMenuFiltersPastesByNumberCopiesPinsAndDeletes) {
  for (const char* text : {"alpha one", "beta two"}) ASSERT_TRUE(copyText(text)) << text;
  ASSERT_TRUE(startPasteTarget());
  const std::string menu = openMenu();
  ASSERT_FALSE(menu.empty()) << "Ctrl+Shift+V should open the menu";
  ASSERT_TRUE(filter("alp")) << "one row fewer once the (throttled) filter is in place";
  EXPECT_TRUE(screenshot("filtered"));
  EXPECT_TRUE(pasteChosen("alpha one")) << "pasted: '" << pastedText() << "'";
  // The paste is a copy like any other: merged into the entry it came from, which goes to the top.
  ASSERT_TRUE(waitFor([&] { return copiesOf("alpha one") == 2; }));
  // Ctrl+2 pastes the second entry, wherever the highlight is.
  ASSERT_FALSE(openMenu().empty());
  key("ctrl+2");
  EXPECT_TRUE(waitForMenuClosed());
  EXPECT_TRUE(waitFor([&] { return pastedText() == "alpha onebeta two"; })) << "pasted: '" << pastedText() << "'";
  ASSERT_TRUE(waitFor([&] { return copiesOf("beta two") == 2; }));

  ASSERT_FALSE(openMenu().empty());
  ASSERT_TRUE(filter("bet"));  // highlights "beta two", the one row left
  key("alt+Return");
  EXPECT_TRUE(waitForMenuClosed());
  EXPECT_TRUE(waitFor([&] { return clipboardText() == "beta two"; }));
  EXPECT_EQ(pastedText(), "alpha onebeta two") << "Alt+Return pastes nothing";
  ASSERT_TRUE(waitFor([&] { return copiesOf("beta two") == 3; }));

  ASSERT_FALSE(openMenu().empty());
  key("alt+p");  // pins the highlighted entry, "beta two", now at the top
  EXPECT_TRUE(waitFor([&] { return !entryTitled("beta two").value("pin", nlohmann::json()).is_null(); }));
  // Reopened, the menu highlights the first unpinned entry, "alpha one". Delete it.
  ASSERT_TRUE(closeMenu());
  ASSERT_FALSE(openMenu().empty());
  key("alt+BackSpace");
  EXPECT_TRUE(waitFor([&] { return entryTitled("alpha one").is_null(); }));
  EXPECT_FALSE(entryTitled("beta two").is_null()) << "the pinned entry stays";
  EXPECT_TRUE(closeMenu());
}

TEST_F(MarbrelScenario, TheFooterGoesAndComesBackTheTrayIconOpensTheMenuBelowItAndClearAsksFirst) {
  for (const char* text : {"alpha one", "beta two"}) ASSERT_TRUE(copyText(text)) << text;
  // Inside a 1-pixel frame: the 29-pixel header, two 24-pixel rows, then a 9-pixel separator and
  // the four 24-pixel rows of the footer (Clear, Preferences, About, Quit).
  const int withFooter = 1 + 29 + 2 * 24 + 9 + 4 * 24 + 1, withoutFooter = withFooter - 9 - 4 * 24;
  // Written from a shell, the running program notices the file change; each opening shows what it has read.
  const auto menuHeightBecomes = [&](int height, const char* hideFooter) {
    EXPECT_EQ(run({MARBREL_EXECUTABLE, "defaults", "write", "hideFooter", "-bool", hideFooter}).exitCode, 0);
    return waitFor([&] {
      const std::string opened = openMenu();
      const bool shown = waitFor([&] { return windowHeight(opened) == height; }, std::chrono::seconds(2));
      if (shown) screenshot(std::string("footer-hidden-") + hideFooter);
      return closeMenu() && shown;
    });
  };
  EXPECT_TRUE(menuHeightBecomes(withoutFooter, "true")) << "the footer is gone, the rows stay";
  EXPECT_TRUE(menuHeightBecomes(withFooter, "false")) << "the footer is back";

  const std::string icon = trayIcon();
  ASSERT_FALSE(icon.empty());
  const auto iconRect = windowRect(icon);
  ASSERT_TRUE(iconRect);
  // Like a key, a click can be lost while the closed menu's grab is still being released.
  const std::string menu = openMenuBy([&] { run({"xdotool", "mousemove", "--window", icon, "4", "4", "click", "1"}); });
  ASSERT_FALSE(menu.empty()) << "a click on the icon opens the menu";
  EXPECT_TRUE(screenshot("from-tray"));
  const auto menuRect = windowRect(menu);
  ASSERT_TRUE(menuRect);
  // The tray is at the top right: the menu hangs from the icon's bottom edge, under the icon or
  // moved left just enough to stay on the 1280-pixel screen.
  EXPECT_EQ(menuRect->y, iconRect->y + iconRect->height);
  EXPECT_LE(menuRect->x, iconRect->x);
  EXPECT_EQ(menuRect->x, std::min(iconRect->x, 1280 - menuRect->width));
  EXPECT_FALSE(waitForMenu().empty()) << "the release of that click chose nothing";
  ASSERT_TRUE(closeMenu());

  // The Clear row: below the 29-pixel header, two 24-pixel rows and a 9-pixel separator.
  auto clickClear = [&] {
    const std::string opened = openMenu();
    ASSERT_FALSE(opened.empty());
    run({"xdotool", "mousemove", "--window", opened, "60", std::to_string(1 + 29 + 2 * 24 + 9 + 12), "click", "1"});
    ASSERT_FALSE(waitForWindow("^Marbrel$").empty()) << "clearing asks first";
  };
  clickClear();
  EXPECT_TRUE(waitForMenuClosed()) << "the menu gives way to the question";
  screenshot("question", "root");
  key("Escape");  // answers Cancel
  ASSERT_TRUE(waitForNoWindow("^Marbrel$"));
  EXPECT_EQ(history().size(), 2u);
  clickClear();
  key("Tab");    // from Cancel, the default button, to OK
  key("space");  // presses it
  EXPECT_TRUE(waitFor([&] { return history().empty(); }));
}

}  // namespace
}  // namespace marbrel::e2e
