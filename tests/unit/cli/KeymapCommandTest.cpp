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
  EXPECT_TRUE(printed("16 z"));
  EXPECT_TRUE(printed("6 y"));
  EXPECT_TRUE(printed("36 return"));
  EXPECT_TRUE(err_.str().empty());

  std::istringstream lines(out_.str());
  int previous = -1;
  int count = 0;
  int code = 0;
  std::string raw;
  while (lines >> code >> raw) {
    EXPECT_GT(code, previous);
    EXPECT_LE(code, 127);
    EXPECT_TRUE(keyFromRawValue(raw).has_value()) << raw;
    previous = code;
    ++count;
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

TEST_F(KeymapCommand, UnknownLayoutsAreUsageErrorsOnStandardError) {
  EXPECT_EQ(run({"--layout", "xx"}), kExitUsage);
  EXPECT_TRUE(out_.str().empty());
  EXPECT_NE(err_.str().find("unknown keyboard layout 'xx'"), std::string::npos) << err_.str();

  for (const char* text : {"../us", "", "us,"}) {
    EXPECT_EQ(run({"--layout", text}), kExitUsage) << text;
    EXPECT_TRUE(out_.str().empty());
    EXPECT_NE(err_.str().find("is not a layout name"), std::string::npos) << err_.str();
  }

  setEnv("XKB_DEFAULT_LAYOUT", "nowhere");
  EXPECT_EQ(run({}), kExitUsage);
  EXPECT_NE(err_.str().find("nowhere"), std::string::npos) << err_.str();
}

TEST_F(KeymapCommand, BadArgumentsAreUsageErrorsAndHelpSaysWhereTheLayoutComesFrom) {
  for (const auto& args : std::vector<std::vector<std::string>>{
           {"--layout"}, {"--layout", "us", "--layout", "de"}, {"de"}, {"--verbose"}}) {
    EXPECT_EQ(run(args), kExitUsage) << args.front();
    EXPECT_TRUE(out_.str().empty());
    EXPECT_NE(err_.str().find("usage: marbrel keymap"), std::string::npos) << err_.str();
  }
  EXPECT_EQ(run({"--help"}), kExitOk);
  EXPECT_NE(out_.str().find("XKB_DEFAULT_LAYOUT"), std::string::npos);
  EXPECT_NE(out_.str().find("--layout LAYOUT[(VARIANT)]"), std::string::npos);
  EXPECT_TRUE(err_.str().empty());
}

}  // namespace
}  // namespace marbrel::cli
