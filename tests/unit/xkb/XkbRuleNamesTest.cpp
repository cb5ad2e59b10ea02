#include <gtest/gtest.h>

#include "xkb/XkbRuleNames.h"

namespace marbrel {
namespace {

TEST(XkbRuleNames, ReadsLayoutsWithAndWithoutVariants) {
  auto names = XkbRuleNames::fromLayoutText("de");
  ASSERT_TRUE(names);
  EXPECT_EQ(names->layout, "de");
  EXPECT_EQ(names->variant, "");
  EXPECT_EQ(names->rules, "evdev");
  EXPECT_EQ(names->model, "pc105");

  names = XkbRuleNames::fromLayoutText("us(dvorak)");
  ASSERT_TRUE(names);
  EXPECT_EQ(names->layout, "us");
  EXPECT_EQ(names->variant, "dvorak");
  EXPECT_EQ(names->layoutText(), "us(dvorak)");

  names = XkbRuleNames::fromLayoutText("us,de(nodeadkeys),ru");
  ASSERT_TRUE(names);
  EXPECT_EQ(names->layout, "us,de,ru");
  EXPECT_EQ(names->variant, ",nodeadkeys,");
  EXPECT_EQ(names->layoutText(), "us,de(nodeadkeys),ru");
}

TEST(XkbRuleNames, RejectsTextsThatAreNotLayoutNames) {
  for (const char* text : {"", "us(", "us()", "(dvorak)", "us(dvorak", "us)", "us,", ",us", "us de",
                           "../../etc/passwd", "us;rm", "us(dv(orak))", "-us", "us(dvorak)x"}) {
    EXPECT_EQ(XkbRuleNames::fromLayoutText(text), std::nullopt) << text;
  }
}

}  // namespace
}  // namespace marbrel
