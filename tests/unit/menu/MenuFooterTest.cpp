#include <gtest/gtest.h>

#include "core/menu/MenuFooter.h"
#include "support/CoreFakes.h"

namespace marbrel {
namespace {

class MenuFooterTest : public ::testing::Test, public testing::CoreFakes {
 protected:
  MenuItemPtr make(MenuFooter footer) { return makeMenuFooterItem(footer, configuration, strings); }
};

TEST_F(MenuFooterTest, AHiddenFooterHidesEveryItemAndHasNoAlternate) {
  configuration.setHideFooter(true);
  for (const MenuFooter footer : allMenuFooterCases()) {
    EXPECT_TRUE(make(footer)->isHidden());
    EXPECT_FALSE(make(footer)->isAlternate());
  }
}

}  // namespace
}  // namespace marbrel
