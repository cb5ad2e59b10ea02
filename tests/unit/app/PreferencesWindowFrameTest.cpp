#include <gtest/gtest.h>

#include "core/app/PreferencesWindowFrame.h"
#include "core/config/Defaults.h"
#include "support/TempDir.h"

namespace marbrel {
namespace {

struct PreferencesWindowFrameTest : ::testing::Test {
  testing::TempDir dir;
  Defaults defaults{dir / "defaults.json"};
  PreferencesWindowFrame frame{defaults};
  const WindowFrame screen{0, 30, 1920, 1050};
  const WindowFrame window{0, 0, 400, 300};
};

TEST_F(PreferencesWindowFrameTest, ASavedFrameMovesTheWindowButKeepsItsSize) {
  frame.save({100, 200, 640, 480});
  Defaults restarted(dir / "defaults.json");
  EXPECT_EQ(PreferencesWindowFrame(restarted).placement(window, screen, {screen}), (WindowFrame{100, 200, 400, 300}));
}

TEST_F(PreferencesWindowFrameTest, WithoutASavedFrameOnAScreenTheWindowIsCentredOnItsScreen) {
  const WindowFrame second{1920, 0, 1280, 1024};
  EXPECT_EQ(frame.placement(window, second, {screen, second}), (WindowFrame{2360, 362, 400, 300}));
  // Saved frames the user could not reach put the window back in the middle.
  const WindowFrame centred{760, 405, 400, 300};
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

TEST_F(PreferencesWindowFrameTest, StoredValuesThatAreNoFrameReadAsNone) {
  const Defaults::Value bad[] = {
      "100 200 400 300",
      Defaults::Value{{"x", 1}, {"y", 2}, {"width", 3}},
      Defaults::Value{{"x", 1}, {"y", 2}, {"width", 0}, {"height", 3}},
      Defaults::Value{{"x", 1}, {"y", 2}, {"width", 3}, {"height", 0}},
      Defaults::Value{{"x", 1.5}, {"y", 2}, {"width", 3}, {"height", 3}},
      Defaults::Value{{"x", 1}, {"y", 2}, {"width", 3}, {"height", 1LL << 40}},
  };
  for (const auto& value : bad) {
    defaults.set(PreferencesWindowFrame::kAutosaveName, value);
    EXPECT_FALSE(frame.saved()) << value.dump();
    EXPECT_EQ(frame.placement(window, screen, {screen}).x, 760);
  }
}

}  // namespace
}  // namespace marbrel
