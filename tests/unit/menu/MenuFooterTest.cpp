#include <gtest/gtest.h>

#include "core/config/Configuration.h"
#include "core/menu/MenuFooter.h"
#include "fakes/FakeStrings.h"

namespace marbrel {
namespace {

class MenuFooterTest : public ::testing::Test {
 protected:
  MenuItemPtr make(MenuFooter footer) { return makeMenuFooterItem(footer, configuration, strings); }

  Defaults defaults{""};
  ProcessArguments arguments;
  Configuration configuration{defaults, arguments};
  FakeStrings strings;
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
