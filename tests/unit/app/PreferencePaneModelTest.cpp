#include <gtest/gtest.h>

#include <fstream>

#include "core/app/AppearancePaneModel.h"
#include "core/app/GeneralPaneModel.h"
#include "core/app/LaunchAtLogin.h"
#include "core/app/PreferenceControls.h"
#include "core/app/PreferencesWindowFrame.h"
#include "core/config/Configuration.h"
#include "core/config/Defaults.h"
#include "core/config/ProcessArguments.h"
#include "fakes/FakeAlerts.h"
#include "support/TempDir.h"

namespace marbrel {
namespace {

// Settings in a file of their own, with the registrations the running program makes at start-up.
struct PaneModels : ::testing::Test {
  testing::TempDir dir;
  Defaults defaults{dir / "defaults.json"};
  ProcessArguments arguments;
  Configuration configuration{defaults, arguments};
  LaunchAtLogin launchAtLogin{dir / "autostart" / LaunchAtLogin::kEntryName, LaunchAtLogin::runningProgram()};
  FakeAlerts alerts;
  std::size_t storedEntries = 0;
  GeneralPaneModel general{configuration, launchAtLogin, alerts, [this] { return storedEntries; }};
  AppearancePaneModel appearance{configuration};

  PaneModels() {
    defaults.registerDefault("historySize", 200);
  }
};

TEST_F(PaneModels, PopUpTagsShowUnknownValuesAsTheFallbackAndWriteItForUnknownTags) {
  struct Row { const char* key; std::vector<std::string> valuesByTag; int fallbackTag; };
  const Row rows[] = {{"sortBy", {"lastCopiedAt", "firstCopiedAt", "numberOfCopies"}, 0},
                      {"popupPosition", {"cursor", "center", "statusItem"}, 1},
                      {"pinTo", {"top", "bottom"}, 1}};
  const auto shownTag = [&](const std::string& key) {
    const auto controls = appearance.controlsOnAppearance();
    if (key == "sortBy") return general.controlsOnAppearance().sortByTag;
    return key == "pinTo" ? controls.pinToTag : controls.popupAtTag;
  };
  const auto choose = [&](const std::string& key, int tag) {
    if (key == "sortBy") general.sortByChanged(tag);
    else if (key == "pinTo") appearance.pinToChanged(tag);
    else appearance.popupPositionChanged(tag);
    return *defaults.stringForKey(key);
  };
  for (const auto& row : rows) {
    for (int tag = 0; tag < static_cast<int>(row.valuesByTag.size()); ++tag) {
      EXPECT_EQ(choose(row.key, tag), row.valuesByTag[tag]) << row.key;
      EXPECT_EQ(shownTag(row.key), tag) << row.key;
    }
    defaults.setString(row.key, "nonsense");
    EXPECT_EQ(shownTag(row.key), row.fallbackTag) << row.key;
    EXPECT_EQ(choose(row.key, 7), row.valuesByTag[row.fallbackTag]) << row.key;
    EXPECT_EQ(choose(row.key, -1), row.valuesByTag[row.fallbackTag]) << row.key;
  }
}

TEST_F(PaneModels, AHistorySizeThatWouldDeleteStoredEntriesIsWrittenOnlyOnceTheUserAgrees) {
  storedEntries = 150;
  struct Row { std::int64_t value; int answer; bool asks; std::int64_t inForce; const char* why; };
  const Row rows[] = {
      {150, Alerts::kFirstButtonReturn, false, 150, "as many as are stored deletes nothing"},
      {20, Alerts::kFirstButtonReturn, true, 150, "Cancel keeps the size in force"},
      {20, Alerts::kSecondButtonReturn, true, 20, "agreed"},
      {-1, Alerts::kFirstButtonReturn, true, 20, "a negative size would delete them all"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.why);
    alerts.shown.clear();
    alerts.answer = row.answer;
    EXPECT_EQ(general.historySizeChanged(row.value), row.inForce);
    EXPECT_EQ(configuration.historySize(), row.inForce);
    EXPECT_EQ(alerts.shown.size(), row.asks ? 1u : 0u);
  }
  alerts.shown.clear();
  general.historySizeChanged(10);
  ASSERT_EQ(alerts.shown.size(), 1u);
  EXPECT_EQ(alerts.shown[0].informativeArguments, (std::vector<std::string>{"150", "10", "140"}))
      << "how many are stored, kept and deleted";
  EXPECT_EQ(alerts.shown[0].buttonKeys.front(), "cancel") << "the default button deletes nothing";
}

TEST_F(PaneModels, ALaunchAtLoginTheDesktopRefusedShowsAsOff) {
  EXPECT_EQ(general.launchAtLoginChanged(ButtonState::on), ButtonState::on);
  EXPECT_EQ(general.controlsOnAppearance().launchAtLogin, ButtonState::on);
  // A file stands where the autostart folder should be: the box must not claim success.
  { std::ofstream(dir / "blocked") << "file"; }
  LaunchAtLogin refused{dir / "blocked" / "autostart" / LaunchAtLogin::kEntryName, "/usr/bin/marbrel"};
  GeneralPaneModel pane{configuration, refused, alerts, {}};
  EXPECT_EQ(pane.launchAtLoginChanged(ButtonState::on), ButtonState::off);
}

TEST_F(PaneModels, ASavedWindowFrameMovesTheWindowWhereTheUserCanReachItButKeepsItsSize) {
  PreferencesWindowFrame frame{defaults};
  const WindowFrame screen{0, 30, 1920, 1050}, second{1920, 0, 1280, 1024}, window{0, 0, 400, 300};
  const WindowFrame centred{760, 405, 400, 300};
  EXPECT_EQ(frame.placement(window, second, {screen, second}), (WindowFrame{2360, 362, 400, 300})) << "none saved";
  frame.save({100, 200, 640, 480});
  Defaults restarted(dir / "defaults.json");
  EXPECT_EQ(PreferencesWindowFrame(restarted).placement(window, screen, {screen}), (WindowFrame{100, 200, 400, 300}));
  const std::pair<WindowFrame, WindowFrame> rows[] = {
      {{3000, 200, 400, 300}, centred},  // a screen that is no longer attached
      {{100, -200, 400, 300}, centred},  // title bar above the top of the screen
      {{1900, 100, 400, 300}, centred},  // only a sliver of 20 pixels left to grab
      {{1800, 100, 400, 300}, {1800, 100, 400, 300}},  // enough of the top is on the screen
  };
  for (const auto& [saved, placed] : rows) {
    frame.save(saved);
    EXPECT_EQ(frame.placement(window, screen, {screen}), placed) << saved.x << "," << saved.y;
  }
}

}  // namespace
}  // namespace marbrel
