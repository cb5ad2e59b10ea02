#include <string>

#include <QFont>
#include <QFontMetrics>
#include <QString>

#include <gtest/gtest.h>

#include "shell/TitleWidths.h"

namespace marbrel {
namespace {

std::string title(int pass, int n) { return "entry " + std::to_string(pass) + " line " + std::to_string(n); }

TEST(TitleWidthsTest, WidthIsTheFontsAdvanceAndFollowsAFontChange) {
  TitleWidths widths;
  QFont font;
  font.setPointSize(10);
  const std::string text = "Meeting notes \u00e9t\u00e9 \u2014 \U0001F600";
  EXPECT_EQ(widths.width(font, text), QFontMetrics(font).horizontalAdvance(QString::fromStdString(text)));
  EXPECT_EQ(widths.width(font, text), QFontMetrics(font).horizontalAdvance(QString::fromStdString(text)));

  QFont larger = font;
  larger.setPointSize(30);
  const int wide = widths.width(larger, text);
  EXPECT_EQ(wide, QFontMetrics(larger).horizontalAdvance(QString::fromStdString(text)));
  EXPECT_GT(wide, widths.width(font, text) * 2);
}

TEST(TitleWidthsTest, FilteredMenusKeepTheTitlesOfTheWholeMenu) {
  TitleWidths widths;
  const QFont font;
  for (int n = 0; n < 2000; ++n) widths.width(font, title(0, n));
  widths.endPass();
  // Many keystrokes, each sizing a menu of a few matching rows.
  for (int pass = 0; pass < 200; ++pass) {
    for (int n = 0; n < 5; ++n) widths.width(font, title(0, n));
    widths.endPass();
  }
  EXPECT_EQ(widths.size(), 2000u);
}

TEST(TitleWidthsTest, TitlesOfEntriesGoneAreForgottenInTime) {
  TitleWidths widths;
  const QFont font;
  // Every pass sees ten new titles, as if the history turned over completely each time.
  for (int pass = 0; pass < 500; ++pass) {
    for (int n = 0; n < 10; ++n) widths.width(font, title(pass, n));
    widths.endPass();
  }
  EXPECT_LT(widths.size(), 1000u);
  EXPECT_GE(widths.size(), 10u);
}

}  // namespace
}  // namespace marbrel
