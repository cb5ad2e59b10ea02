// Marbrel as a user meets it: other programs' copies, the shortcut, the menu, the paste, the preferences.
#include <fstream>

#include "support/Scenario.h"

namespace marbrel::e2e {
namespace {

class MarbrelScenario : public Scenario {
 protected:
  // Copies two texts, each recorded before the next.
  void copyTwoTexts() {
    ASSERT_TRUE(copy({{"text/plain", "alpha one"}}));
    ASSERT_TRUE(waitForEntry("alpha one"));
    ASSERT_TRUE(copy({{"text/plain", "beta two"}}));
    ASSERT_TRUE(waitForEntry("beta two"));
  }
  int copiesOf(const std::string& title) const { return entryTitled(title).value("numberOfCopies", 0); }
};

TEST_F(MarbrelScenario, CopiesAreCapturedWithAllTheirFormatsQuickOnesTooAndAnOwnerThatNeverFinishesHoldsUpNothing) {
  const std::string png(
      "\x89PNG\r\n\x1a\n\0\0\0\rIHDR\0\0\0\x01\0\0\0\x01\x08\x06\0\0\0\x1f\x15\xc4\x89\0\0\0\rIDATx\x9c"
      "c\xf8\xcf\xc0\xf0\x1f\0\x05\0\x01\xff\x89\x99=\x1d\0\0\0\0IEND\xae\x42\x60\x82",
      70);
  ASSERT_TRUE(copy({{"text/plain", "plain words"}, {"text/html", "<p>plain words</p>"}}));
  ASSERT_TRUE(waitForEntry("plain words"));
  ASSERT_TRUE(copy({{"image/png", png}}));
  ASSERT_TRUE(waitFor([&] { return history().size() == 2; }));
  ASSERT_TRUE(copy({{"text/uri-list", "file:///tmp/My%20File.txt\r\n"},
                    {"x-special/gnome-copied-files", "copy\nfile:///tmp/My%20File.txt"},
                    {"text/plain", "/tmp/My File.txt"}}));
  ASSERT_TRUE(waitForEntry("My File.txt"));
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

  const auto text = typesOf(entryTitled("plain words"));
  EXPECT_TRUE(contains(text, "text/plain") && contains(text, "text/html"));
  const auto file = typesOf(entryTitled("My File.txt"));
  EXPECT_TRUE(contains(file, "text/uri-list") && contains(file, "x-special/gnome-copied-files") &&
              contains(file, "text/plain"));
  bool image = false;
  for (const auto& entry : history()) {
    const auto types = typesOf(entry);
    image = image || contains(types, "image/png");
    EXPECT_FALSE(contains(types, "TARGETS") || contains(types, "application/x-qt-image")) << entry.dump();
  }
  EXPECT_TRUE(image);
  // Text that is not UTF-8 is recorded as valid text (the history's JSON would not parse otherwise).
  ASSERT_TRUE(copy({{"text/plain", std::string("ok \xff\xfe\xfd", 6)}}));
  EXPECT_TRUE(waitFor([&] { return history().size() == 7 && history()[0].value("title", "").rfind("ok ", 0) == 0; }));
  EXPECT_FALSE(openMenu().empty());
  EXPECT_TRUE(screenshot("captured")) << "the menu should show the copies";
  EXPECT_TRUE(closeMenu());

  // An owner that sends its text a byte at a time, forever: read aside, the transfer goes on behind the menu.
  const auto stalling = launch({MARBREL_E2E_HELPER, "stall-clipboard"}, "stall.log");
  const auto said = [&](const std::string& word) {
    const std::string log = readFile(outputDir + "/stall.log");
    std::size_t count = 0;
    for (auto at = log.find(word); at != std::string::npos; at = log.find(word, at + 1)) ++count;
    return count;
  };
  ASSERT_TRUE(waitFor([&] { return said("asked") > 0; })) << "Marbrel should ask for the new text";
  EXPECT_FALSE(openMenu().empty()) << "the shortcut opens the menu while the owner stalls";
  const std::size_t piecesSoFar = said("piece");
  // (One piece may already be on its way when a reader on the event loop gives up.)
  EXPECT_TRUE(waitFor([&] { return said("piece") >= piecesSoFar + 2; }, std::chrono::seconds(10)))
      << "the transfer should go on while the menu is open";
  EXPECT_TRUE(closeMenu());
  ASSERT_TRUE(copy({{"text/plain", "after the stall"}}));
  EXPECT_TRUE(waitForEntry("after the stall"));
  EXPECT_EQ(history().size(), 8u) << "the text that never arrived is not recorded";
}

TEST_F(MarbrelScenario, FromTheKeyboardTheMenuFiltersPastesCopiesPinsAndDeletes) {
  copyTwoTexts();
  ASSERT_TRUE(startPasteTarget());
  const std::string menu = openMenu();
  ASSERT_FALSE(menu.empty()) << "Ctrl+Shift+V should open the menu";
  EXPECT_TRUE(screenshot("opened"));
  const int fullHeight = windowHeight(menu);
  ASSERT_TRUE(type("alp"));
  // One row fewer once the (throttled) filter is in place.
  ASSERT_TRUE(waitFor([&] { return windowHeight(menu) < fullHeight; })) << "the filter applies";
  EXPECT_TRUE(screenshot("filtered"));
  key("Return");
  EXPECT_TRUE(waitForMenuClosed());
  EXPECT_TRUE(waitFor([&] { return pastedText() == "alpha one"; })) << "pasted: '" << pastedText() << "'";
  // The paste is a copy like any other: merged into the entry it came from, which goes to the top.
  ASSERT_TRUE(waitFor([&] { return copiesOf("alpha one") == 2; }));

  const std::string again = openMenu();
  ASSERT_FALSE(again.empty());
  ASSERT_TRUE(type("bet"));  // highlights "beta two", the one row left
  ASSERT_TRUE(waitFor([&] { return windowHeight(again) < fullHeight; })) << "the filter applies";
  EXPECT_TRUE(screenshot("beta-highlighted"));
  key("alt+Return");
  EXPECT_TRUE(waitForMenuClosed());
  EXPECT_TRUE(waitFor([&] { return clipboardText() == "beta two"; }));
  EXPECT_EQ(pastedText(), "alpha one") << "Alt+Return pastes nothing";
  ASSERT_TRUE(waitFor([&] { return copiesOf("beta two") == 2; }));

  ASSERT_FALSE(openMenu().empty());
  key("alt+p");  // pins the highlighted entry, "beta two", now at the top
  EXPECT_TRUE(waitFor([&] { return !entryTitled("beta two").value("pin", nlohmann::json()).is_null(); }));
  EXPECT_TRUE(screenshot("pinned"));
  // Reopened, the menu highlights the first unpinned entry, "alpha one". Delete it.
  ASSERT_TRUE(closeMenu());
  ASSERT_FALSE(openMenu().empty());
  key("alt+BackSpace");
  EXPECT_TRUE(waitFor([&] { return entryTitled("alpha one").is_null(); }));
  EXPECT_TRUE(screenshot("deleted"));
  EXPECT_FALSE(entryTitled("beta two").is_null()) << "the pinned entry stays";
  EXPECT_TRUE(closeMenu());
}

TEST_F(MarbrelScenario, TheFooterGoesAndComesBackTheTrayIconOpensTheMenuBelowItClearAsksFirstUiTestingKeepsNothing) {
  copyTwoTexts();
  std::string menu = openMenu();
  ASSERT_FALSE(menu.empty());
  const int withFooter = windowHeight(menu);

  // The footer's preferences command (Ctrl+,) opens the window on the General pane.
  key("ctrl+comma");
  const std::string window = waitForWindow("^General – Marbrel$");
  ASSERT_FALSE(window.empty()) << "the preferences command opens the window on the General pane";
  EXPECT_TRUE(waitForMenuClosed());
  EXPECT_TRUE(screenshot("preferences-general", window));

  // Ctrl+Page Down goes on to the Appearance pane; its title names the window.
  ASSERT_TRUE(focus(window));
  key("ctrl+Next");
  ASSERT_FALSE(waitForWindow("^Appearance – Marbrel$").empty()) << "the Appearance pane is shown";
  // The pane change animates for a quarter of a second; the picture is taken once it has landed.
  EXPECT_TRUE(waitFor([&] { return screenshot("preferences-appearance", window); }));

  // Alt+F is the mnemonic of the "Footer" box: it unticks it and the setting is written at once.
  key("alt+f");
  ASSERT_TRUE(waitFor([&] {
    const std::string value = run({MARBREL_EXECUTABLE, "defaults", "read", "hideFooter"}).out;
    return value.find("true") != std::string::npos || value.find('1') != std::string::npos;
  })) << "hideFooter becomes true";
  EXPECT_TRUE(screenshot("preferences-appearance-footer-off", window));
  key("ctrl+w");
  EXPECT_TRUE(waitForNoWindow("^Appearance – Marbrel$")) << "Ctrl+W closes it";

  menu = openMenu();
  ASSERT_FALSE(menu.empty());
  EXPECT_TRUE(waitFor([&] { return windowHeight(menu) < withFooter; })) << "the footer is gone";
  EXPECT_TRUE(screenshot("menu-without-footer"));
  EXPECT_TRUE(closeMenu());

  // Written from a shell, the running program notices the file change; each opening shows what it
  // has read so far.
  ASSERT_EQ(run({MARBREL_EXECUTABLE, "defaults", "write", "hideFooter", "-bool", "false"}).exitCode, 0);
  EXPECT_TRUE(waitFor([&] {
    const int height = windowHeight(openMenu());
    closeMenu();
    return height == withFooter;
  })) << "the footer is back";

  const std::string icon = trayIcon();
  ASSERT_FALSE(icon.empty());
  const auto iconRect = windowRect(icon);
  ASSERT_TRUE(iconRect);
  run({"xdotool", "mousemove", "--window", icon, "4", "4", "click", "1"});
  menu = waitForMenu();
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

  // Started with "ui-testing", the history lives in memory only: copies reach the menu, never the file.
  marbrel->stop();
  arguments = {"ui-testing"};
  ASSERT_TRUE(startMarbrel());
  const int empty = windowHeight(openMenu());
  ASSERT_TRUE(closeMenu());
  ASSERT_TRUE(copy({{"text/plain", "kept in memory"}}));
  EXPECT_TRUE(waitFor([&] {
    const int height = windowHeight(openMenu());
    screenshot("in-memory");
    closeMenu();
    return height > empty;
  }));
  EXPECT_TRUE(history().empty()) << "nothing was written to the history file";
}

}  // namespace
}  // namespace marbrel::e2e
