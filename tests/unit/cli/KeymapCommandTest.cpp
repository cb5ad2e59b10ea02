#include "CommandFixture.h"
#include "core/keylayout/Key.h"

namespace marbrel::cli {
namespace {

// Runs `marbrel keymap ...` with the XKB_DEFAULT_* variables under the test's control.
class KeymapCommand : public CommandFixture {
 protected:
  KeymapCommand() : CommandFixture("keymap") {
    setEnv("XKB_DEFAULT_LAYOUT", std::nullopt);
    setEnv("XKB_DEFAULT_VARIANT", std::nullopt);
  }
  bool printed(const std::string& line) const { return ("\n" + out_.str()).find("\n" + line + "\n") != std::string::npos; }
};

TEST_F(KeymapCommand, PrintsEachCodeWithItsKeyInAscendingOrderForTheLayoutGivenElseXkbDefaultLayoutElseUS) {
  ASSERT_EQ(run({}), kExitOk);
  EXPECT_TRUE(printed("16 y"));
  setEnv("XKB_DEFAULT_LAYOUT", "us");
  setEnv("XKB_DEFAULT_VARIANT", "dvorak");
  ASSERT_EQ(run({}), kExitOk);
  EXPECT_TRUE(printed("47 v"));
  ASSERT_EQ(run({"--layout", "de"}), kExitOk) << err_.str();  // the argument wins over the variables
  EXPECT_TRUE(printed("16 z") && printed("6 y") && printed("36 return")) << out_.str();
  EXPECT_TRUE(err_.str().empty());
  std::istringstream lines(out_.str());
  int previous = -1, count = 0, code = 0;
  for (std::string raw; lines >> code >> raw; previous = code, ++count) {
    EXPECT_GT(code, previous);
    EXPECT_LE(code, 127);
    EXPECT_TRUE(keyFromRawValue(raw).has_value()) << raw;
  }
  // Every code of the US table has a key under any layout; 52 and the others it leaves out do not.
  EXPECT_EQ(count, 106);
  EXPECT_EQ(out_.str().find("\n52 "), std::string::npos);
  setEnv("XKB_DEFAULT_LAYOUT", "de");
  setEnv("XKB_DEFAULT_VARIANT", std::nullopt);
  ASSERT_EQ(run({"--layout=us"}), kExitOk);
  EXPECT_TRUE(printed("16 y"));
}

}  // namespace
}  // namespace marbrel::cli
