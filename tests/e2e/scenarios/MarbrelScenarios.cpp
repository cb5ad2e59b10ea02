// Marbrel as a user meets it: copies made by other programs, the shortcut, the menu, the paste, the
// preference window.
#include <algorithm>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/Scenario.h"

namespace marbrel::e2e {
namespace {

class MarbrelScenario : public Scenario {
 protected:
  static std::vector<std::string> typesOf(const nlohmann::json& entry) {
    std::vector<std::string> types;
    for (const auto& type : entry.value("types", nlohmann::json::array())) types.push_back(type.get<std::string>());
    return types;
  }
  static bool contains(const std::vector<std::string>& list, const std::string& value) {
    return std::find(list.begin(), list.end(), value) != list.end();
  }
  // Copies two texts, each recorded before the next.
  void copyTwoTexts() {
    ASSERT_TRUE(session->copy({{"text/plain", "alpha one"}}));
    ASSERT_TRUE(session->waitForEntry("alpha one"));
    ASSERT_TRUE(session->copy({{"text/plain", "beta two"}}));
    ASSERT_TRUE(session->waitForEntry("beta two"));
  }
  // Saves the window as <output>/<name>.png; true when it is drawn (text and controls, not blank).
  bool screenshotWindow(const std::string& id, const std::string& name) {
    const std::string file = session->outputDir() + "/" + name + ".png";
    return session->x().screenshot(file, id) && XSession::colourCount(file) > 16;
  }
};

TEST_F(MarbrelScenario, TextImageAndFileCopiesAreCapturedWithAllTheirFormatsQuickOnesToo) {
  const std::string png(
      "\x89PNG\r\n\x1a\n\0\0\0\rIHDR\0\0\0\x01\0\0\0\x01\x08\x06\0\0\0\x1f\x15\xc4\x89\0\0\0\rIDATx\x9c"
      "c\xf8\xcf\xc0\xf0\x1f\0\x05\0\x01\xff\x89\x99=\x1d\0\0\0\0IEND\xae\x42\x60\x82",
      70);
  ASSERT_TRUE(session->copy({{"text/plain", "plain words"}, {"text/html", "<p>plain words</p>"}}));
  ASSERT_TRUE(session->waitForEntry("plain words"));
  ASSERT_TRUE(session->copy({{"image/png", png}}));
  ASSERT_TRUE(waitFor([&] { return session->history().size() == 2; }));
  ASSERT_TRUE(session->copy({{"text/uri-list", "file:///tmp/My%20File.txt\r\n"},
                             {"x-special/gnome-copied-files", "copy\nfile:///tmp/My%20File.txt"},
                             {"text/plain", "/tmp/My File.txt"}}));
  ASSERT_TRUE(session->waitForEntry("My File.txt"));
  // Each xclip serves one reading of its text and quits, and the next copy follows at once: a copy
  // read at once is not lost to the next, and an owner quitting after being read loses nothing.
  const std::vector<std::string> quick = {"first quick copy", "second quick copy", "third quick copy"};
  for (const std::string& text : quick) {
    const std::string file = session->outputDir() + "/" + text;
    std::ofstream(file) << text;
    Process xclip({"xclip", "-selection", "clipboard", "-i", "-quiet", "-loops", "1", file},
                  session->x().environment(), session->outputDir() + "/xclip.log");
    ASSERT_TRUE(waitFor([&] { return !xclip.running(); })) << "Marbrel should read " << text;
  }
  for (const std::string& text : quick) EXPECT_TRUE(session->waitForEntry(text)) << text;

  const auto text = typesOf(entryTitled("plain words"));
  EXPECT_TRUE(contains(text, "text/plain") && contains(text, "text/html"));
  const auto file = typesOf(entryTitled("My File.txt"));
  EXPECT_TRUE(contains(file, "text/uri-list") && contains(file, "x-special/gnome-copied-files") &&
              contains(file, "text/plain"));
  bool image = false;
  for (const auto& entry : session->history()) image = image || contains(typesOf(entry), "image/png");
  EXPECT_TRUE(image);
  for (const auto& entry : session->history()) {
    for (const auto& type : typesOf(entry)) {
      EXPECT_NE(type, "TARGETS");
      EXPECT_NE(type, "application/x-qt-image");
    }
  }
  EXPECT_TRUE(openMenu().size() > 0);
  EXPECT_TRUE(session->screenshotMenu("captured")) << "the menu should show the copies";
}

TEST_F(MarbrelScenario, AClipboardOwnerThatNeverFinishesAnsweringHoldsUpNeitherTheMenuNorLaterCopies) {
  const std::string log = session->outputDir() + "/stall.log";
  Process stalling({MARBREL_E2E_HELPER, "stall-clipboard"}, session->x().environment(), log);
  const auto said = [&log](const std::string& word) {
    const std::string text = readFile(log);
    std::size_t count = 0;
    for (auto at = text.find(word); at != std::string::npos; at = text.find(word, at + 1)) ++count;
    return count;
  };
  ASSERT_TRUE(waitFor([&] { return said("asked") > 0; })) << "Marbrel should ask for the new text";
  // The owner now sends the text a byte at a time, forever. Waiting for it on the event loop would
  // keep the menu from opening until the waiting ends; read aside, the transfer goes on behind it.
  EXPECT_FALSE(openMenu().empty()) << "the shortcut opens the menu while the owner stalls";
  const std::size_t piecesSoFar = said("piece");
  // (One piece may already be on its way when a reader on the event loop gives up.)
  EXPECT_TRUE(waitFor([&] { return said("piece") >= piecesSoFar + 2; }, std::chrono::seconds(10)))
      << "the transfer should go on while the menu is open";
  EXPECT_TRUE(closeMenu());
  ASSERT_TRUE(session->copy({{"text/plain", "after the stall"}}));
  EXPECT_TRUE(session->waitForEntry("after the stall"));
  EXPECT_EQ(session->history().size(), 1u) << "the text that never arrived is not recorded";
}

TEST_F(MarbrelScenario, ShortcutOpensTheMenuTypingFiltersItAndReturnPastesTheChoice) {
  copyTwoTexts();
  ASSERT_TRUE(session->startPasteTarget());
  const std::string menu = openMenu();
  ASSERT_FALSE(menu.empty()) << "Ctrl+Shift+V should open the menu";
  EXPECT_TRUE(session->screenshotMenu("opened"));
  const int fullHeight = session->windowHeight(menu);
  ASSERT_TRUE(session->type("alp"));
  // One row fewer once the (throttled) filter is in place.
  ASSERT_TRUE(waitFor([&] { return session->windowHeight(menu) < fullHeight; })) << "the filter applies";
  EXPECT_TRUE(session->screenshotMenu("filtered"));
  session->key("Return");
  EXPECT_TRUE(session->waitForMenuClosed());
  EXPECT_TRUE(waitFor([&] { return session->pastedText() == "alpha one"; }))
      << "pasted: '" << session->pastedText() << "'";
  // The paste is a copy like any other: merged into the entry it came from.
  EXPECT_TRUE(waitFor([&] { return entryTitled("alpha one").value("numberOfCopies", 0) == 2; }));
}

TEST_F(MarbrelScenario, AltReturnCopiesWithoutPastingAltPPinsAndAltBackspaceDeletes) {
  copyTwoTexts();
  ASSERT_TRUE(session->startPasteTarget());
  ASSERT_FALSE(openMenu().empty());
  session->key("Down");  // from "beta two" to "alpha one"
  EXPECT_TRUE(session->screenshotMenu("second-highlighted"));
  session->key("alt+Return");
  EXPECT_TRUE(session->waitForMenuClosed());
  EXPECT_TRUE(waitFor([&] { return session->clipboardText() == "alpha one"; }));
  EXPECT_EQ(session->pastedText(), "") << "nothing is pasted";
  // The copy merges into its entry, which goes to the top.
  ASSERT_TRUE(waitFor([&] { return entryTitled("alpha one").value("numberOfCopies", 0) == 2; }));

  ASSERT_FALSE(openMenu().empty());
  session->key("alt+p");  // pins the highlighted entry, "alpha one"
  EXPECT_TRUE(waitFor([&] { return !entryTitled("alpha one").value("pin", nlohmann::json()).is_null(); }));
  EXPECT_TRUE(session->screenshotMenu("pinned"));
  // The highlight stays on the pinned entry; reopened, the menu highlights the first unpinned one,
  // "beta two". Delete it.
  ASSERT_TRUE(closeMenu());
  ASSERT_FALSE(openMenu().empty());
  session->key("alt+BackSpace");
  EXPECT_TRUE(waitFor([&] { return entryTitled("beta two").is_null(); }));
  EXPECT_TRUE(session->screenshotMenu("deleted"));
  EXPECT_FALSE(entryTitled("alpha one").is_null()) << "the pinned entry stays";
  session->key("Escape");
}

TEST_F(MarbrelScenario, SettingsWrittenFromAShellReachTheRunningProgram) {
  copyTwoTexts();
  std::string menu = openMenu();
  ASSERT_FALSE(menu.empty());
  const int withFooter = session->windowHeight(menu);
  ASSERT_TRUE(closeMenu());
  ASSERT_EQ(session->x().run({MARBREL_EXECUTABLE, "defaults", "write", "hideFooter", "-bool", "true"}).exitCode, 0);
  // The running program notices the file change; each opening shows what it has read so far.
  EXPECT_TRUE(waitFor([&] {
    menu = openMenu();
    const int height = session->windowHeight(menu);
    session->key("Escape");
    session->waitForMenuClosed();
    return height > 0 && height < withFooter;
  })) << "the footer disappears";
}

TEST_F(MarbrelScenario, ClickingTheTrayIconOpensTheMenuBelowIt) {
  copyTwoTexts();
  const std::string icon = session->trayIcon();
  ASSERT_FALSE(icon.empty());
  const auto iconRect = session->windowRect(icon);
  ASSERT_TRUE(iconRect);
  session->x().run({"xdotool", "mousemove", "--window", icon, "4", "4", "click", "1"});
  const std::string menu = session->waitForMenu();
  ASSERT_FALSE(menu.empty()) << "a click on the icon opens the menu";
  EXPECT_TRUE(session->screenshotMenu("from-tray"));
  const auto menuRect = session->windowRect(menu);
  ASSERT_TRUE(menuRect);
  // The tray is at the top right: the menu hangs from the icon's bottom edge, under the icon or
  // moved left just enough to stay on the 1280-pixel screen.
  EXPECT_EQ(menuRect->y, iconRect->y + iconRect->height);
  EXPECT_LE(menuRect->x, iconRect->x);
  EXPECT_EQ(menuRect->x, std::min(iconRect->x, 1280 - menuRect->width));
  // The release of that click chose nothing: the menu is still open.
  EXPECT_FALSE(session->x().findWindows("^Marbrel Menu$").empty());
  EXPECT_TRUE(closeMenu());
}

TEST_F(MarbrelScenario, ClearAsksFirstAndOnlyOkClears) {
  copyTwoTexts();
  auto waitForAlert = [&] { return waitFor([&] { return !session->x().findWindows("^Marbrel$").empty(); }); };
  // The Clear row: below the 29-pixel header, two 24-pixel rows and a 9-pixel separator.
  auto clickClear = [&](const std::string& menu) {
    session->x().run({"xdotool", "mousemove", "--window", menu, "60", std::to_string(1 + 29 + 2 * 24 + 9 + 12),
                      "click", "1"});
  };
  std::string menu = openMenu();
  ASSERT_FALSE(menu.empty());
  clickClear(menu);
  ASSERT_TRUE(waitForAlert()) << "clearing asks first";
  EXPECT_TRUE(session->waitForMenuClosed()) << "the menu gives way to the question";
  session->x().screenshot(session->outputDir() + "/question.png");
  session->key("Escape");  // answers Cancel
  ASSERT_TRUE(waitFor([&] { return session->x().findWindows("^Marbrel$").empty(); }));
  EXPECT_EQ(session->history().size(), 2u);

  menu = openMenu();
  ASSERT_FALSE(menu.empty());
  clickClear(menu);
  ASSERT_TRUE(waitForAlert());
  session->key("Tab");    // from Cancel, the default button, to OK
  session->key("space");  // presses it
  EXPECT_TRUE(waitFor([&] { return session->history().empty(); }));
}

// The preference window opened from the menu's footer: its two panes, and a change the menu shows at its
// next opening.
TEST_F(MarbrelScenario, UntickingShowFooterRemovesTheFooterFromTheNextMenu) {
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
  EXPECT_TRUE(closeMenu());
}

// Started with "ui-testing": the history lives in memory only.
class UiTestingScenario : public MarbrelScenario {
 protected:
  UiTestingScenario() { arguments = {"ui-testing"}; }
};

TEST_F(UiTestingScenario, CopiesReachTheMenuButNeverTheStoredHistory) {
  ASSERT_TRUE(session->copy({{"text/plain", "kept in memory"}}));
  const std::string menu = openMenu();
  ASSERT_FALSE(menu.empty());
  const int withOne = session->windowHeight(menu);
  ASSERT_TRUE(closeMenu());
  ASSERT_TRUE(session->copy({{"text/plain", "also in memory"}}));
  // Each opening rebuilds the menu from the history: one row more once the copy is recorded.
  EXPECT_TRUE(waitFor([&] {
    const std::string id = openMenu();
    const int height = session->windowHeight(id);
    session->screenshotMenu("two-entries");
    session->key("Escape");
    session->waitForMenuClosed();
    return height > withOne;
  }));
  EXPECT_TRUE(session->history().empty()) << "nothing was written to the history file";
}

}  // namespace
}  // namespace marbrel::e2e
