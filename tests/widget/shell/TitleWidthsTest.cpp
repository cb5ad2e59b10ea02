#include <string>

#include <QFont>
#include <QFontMetrics>

#include <gtest/gtest.h>

#include "shell/TitleWidths.h"

namespace marbrel {
namespace {

std::string title(int pass, int n) { return "entry " + std::to_string(pass) + " line " + std::to_string(n); }

TEST(TitleWidthsTest, WidthIsTheFontsAdvanceAndFollowsAFontChange) {
  TitleWidths widths;
  QFont font, larger;
  font.setPointSize(10);
  larger.setPointSize(30);
  const std::string text = "Meeting notes \u00e9t\u00e9 \u2014 \U0001F600";
  for (const QFont& each : {font, font, larger}) {  // the second asks what is already known
    EXPECT_EQ(widths.width(each, text), QFontMetrics(each).horizontalAdvance(QString::fromStdString(text)));
  }
  EXPECT_GT(widths.width(larger, text), widths.width(font, text) * 2);
}

// Many keystrokes each size a few matching rows: the whole menu's titles stay known, while titles
// of entries gone are forgotten in time.
TEST(TitleWidthsTest, FilteredMenusKeepTheWholeMenusTitlesAndTitlesGoneAreForgotten) {
  TitleWidths kept, turnedOver;
  const QFont font;
  for (int n = 0; n < 2000; ++n) kept.width(font, title(0, n));
  kept.endPass();
  for (int pass = 0; pass < 500; ++pass) {
    for (int n = 0; n < 5; ++n) kept.width(font, title(0, n));
    kept.endPass();
    for (int n = 0; n < 10; ++n) turnedOver.width(font, title(pass, n));
    turnedOver.endPass();
  }
  EXPECT_EQ(kept.size(), 2000u);
  EXPECT_LT(turnedOver.size(), 1000u);
  EXPECT_GE(turnedOver.size(), 10u);
}

}  // namespace
}  // namespace marbrel
