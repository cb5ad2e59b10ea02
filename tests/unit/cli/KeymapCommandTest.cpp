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

  bool printed(const std::string& line) const {
    return ("\n" + out_.str()).find("\n" + line + "\n") != std::string::npos;
  }
};

TEST_F(KeymapCommand, PrintsEachCodeWithItsKeyInAscendingOrder) {
  ASSERT_EQ(run({"--layout", "de"}), kExitOk) << err_.str();
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
}

TEST_F(KeymapCommand, WithoutALayoutReadsXkbDefaultLayoutElseUS) {
  ASSERT_EQ(run({}), kExitOk);
  EXPECT_TRUE(printed("16 y"));
  setEnv("XKB_DEFAULT_LAYOUT", "de");
  ASSERT_EQ(run({}), kExitOk);
  EXPECT_TRUE(printed("16 z"));
  setEnv("XKB_DEFAULT_LAYOUT", "us");
  setEnv("XKB_DEFAULT_VARIANT", "dvorak");
  ASSERT_EQ(run({}), kExitOk);
  EXPECT_TRUE(printed("47 v"));
  ASSERT_EQ(run({"--layout=de"}), kExitOk);  // the argument wins over the variables
  EXPECT_TRUE(printed("16 z"));
}

TEST_F(KeymapCommand, BadArgumentsAndUnknownLayoutsAreUsageErrorsOnStandardError) {
  const std::pair<Lines, const char*> rows[] = {
      {{"--layout", "xx"}, "unknown keyboard layout 'xx'"}, {{"--layout", "../us"}, "is not a layout name"},
      {{"--layout", ""}, "is not a layout name"}, {{"--layout", "us,"}, "is not a layout name"},
      {{"--layout"}, "usage: marbrel keymap"}, {{"--layout", "us", "--layout", "de"}, "usage: marbrel keymap"},
      {{"de"}, "usage: marbrel keymap"}, {{"--verbose"}, "usage: marbrel keymap"},
  };
  for (const auto& [args, message] : rows) {
    EXPECT_EQ(run(args), kExitUsage) << message;
    EXPECT_TRUE(out_.str().empty());
    EXPECT_NE(err_.str().find(message), std::string::npos) << err_.str();
  }
  setEnv("XKB_DEFAULT_LAYOUT", "nowhere");
  EXPECT_EQ(run({}), kExitUsage);
  EXPECT_NE(err_.str().find("nowhere"), std::string::npos) << err_.str();
  EXPECT_EQ(run({"--help"}), kExitOk);
  EXPECT_NE(out_.str().find("XKB_DEFAULT_LAYOUT"), std::string::npos);
  EXPECT_NE(out_.str().find("--layout LAYOUT[(VARIANT)]"), std::string::npos);
  EXPECT_TRUE(err_.str().empty());
}

}  // namespace
}  // namespace marbrel::cli
