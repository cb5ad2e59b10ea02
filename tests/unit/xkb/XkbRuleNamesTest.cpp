#include <gtest/gtest.h>

#include "xkb/XkbRuleNames.h"

namespace marbrel {
namespace {

TEST(XkbRuleNames, ReadsLayoutsWithAndWithoutVariants) {
  auto names = XkbRuleNames::fromLayoutText("us(dvorak)");
  ASSERT_TRUE(names);
  EXPECT_EQ(names->layout, "us");
  EXPECT_EQ(names->variant, "dvorak");
  EXPECT_EQ(names->model, "pc105");
  names = XkbRuleNames::fromLayoutText("us,de(nodeadkeys),ru");
  ASSERT_TRUE(names);
  EXPECT_EQ(names->layout, "us,de,ru");
  EXPECT_EQ(names->variant, ",nodeadkeys,");
  EXPECT_EQ(names->layoutText(), "us,de(nodeadkeys),ru");
  EXPECT_EQ(XkbRuleNames::fromLayoutText("de")->variant, "");
}

TEST(XkbRuleNames, RejectsTextsThatAreNotLayoutNames) {
  for (const char* text : {"", "us(", "us()", "(dvorak)", "us)", "us,", "us de", "../../etc/passwd",
                           "us(dv(orak))", "-us", "us(dvorak)x"}) {
    EXPECT_EQ(XkbRuleNames::fromLayoutText(text), std::nullopt) << text;
  }
}

}  // namespace
}  // namespace marbrel
