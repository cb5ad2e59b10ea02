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
  EXPECT_EQ(Defaults(dir / "defaults.json").objectForKey(PreferencesWindowFrame::kAutosaveName),
            (Defaults::Value{{"x", 100}, {"y", 200}, {"width", 640}, {"height", 480}}));
  EXPECT_EQ(frame.placement(window, screen, {screen}), (WindowFrame{100, 200, 400, 300}));
}

TEST_F(PreferencesWindowFrameTest, WithoutASavedFrameOnAScreenTheWindowIsCentredOnItsScreen) {
  EXPECT_EQ(frame.placement(window, screen, {screen}), (WindowFrame{760, 405, 400, 300}));
  const WindowFrame second{1920, 0, 1280, 1024};
  EXPECT_EQ(frame.placement(window, second, {screen, second}), (WindowFrame{2360, 362, 400, 300}));
  frame.save({3000, 200, 400, 300});  // a screen that is no longer attached
  EXPECT_EQ(frame.placement(window, screen, {screen}), (WindowFrame{760, 405, 400, 300}));
  frame.save({100, -200, 400, 300});  // title bar above the top of the screen
  EXPECT_EQ(frame.placement(window, screen, {screen}).y, 405);
  frame.save({1900, 100, 400, 300});  // only a sliver of 20 pixels left to grab
  EXPECT_EQ(frame.placement(window, screen, {screen}).x, 760);
  frame.save({1800, 100, 400, 300});  // enough of the top is on the screen
  EXPECT_EQ(frame.placement(window, screen, {screen}).x, 1800);
}

TEST_F(PreferencesWindowFrameTest, StoredValuesThatAreNoFrameReadAsNone) {
  const Defaults::Value bad[] = {
      "100 200 400 300",
      Defaults::Value{{"x", 1}, {"y", 2}, {"width", 3}},
      Defaults::Value{{"x", 1}, {"y", 2}, {"width", 0}, {"height", 3}},
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
