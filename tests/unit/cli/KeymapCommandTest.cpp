#include <cstdlib>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "cli/CommandLine.h"
#include "core/keylayout/Key.h"

namespace marbrel::cli {
namespace {

// Runs `marbrel keymap ...` with the XKB_DEFAULT_* variables under the test's control, restoring
// them afterwards.
class KeymapCommand : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* name : kVariables) {
      const char* value = std::getenv(name);
      saved_.push_back(value ? std::optional<std::string>(value) : std::nullopt);
      ::unsetenv(name);
    }
  }
  void TearDown() override {
    for (std::size_t index = 0; index < saved_.size(); ++index) {
      if (saved_[index]) {
        ::setenv(kVariables[index], saved_[index]->c_str(), 1);
      } else {
        ::unsetenv(kVariables[index]);
      }
    }
  }

  int run(std::vector<std::string> args) {
    out_.str("");
    err_.str("");
    args.insert(args.begin(), "keymap");
    return runCommandLine(args, out_, err_);
  }

  bool printed(const std::string& line) const {
    return ("\n" + out_.str()).find("\n" + line + "\n") != std::string::npos;
  }

  static constexpr const char* kVariables[] = {"XKB_DEFAULT_LAYOUT", "XKB_DEFAULT_VARIANT"};
  std::vector<std::optional<std::string>> saved_;
  std::ostringstream out_;
  std::ostringstream err_;
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
  ::setenv("XKB_DEFAULT_LAYOUT", "de", 1);
  ASSERT_EQ(run({}), kExitOk);
  EXPECT_TRUE(printed("16 z"));
  ::setenv("XKB_DEFAULT_LAYOUT", "us", 1);
  ::setenv("XKB_DEFAULT_VARIANT", "dvorak", 1);
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

  ::setenv("XKB_DEFAULT_LAYOUT", "nowhere", 1);
  EXPECT_EQ(run({}), kExitUsage);
  EXPECT_NE(err_.str().find("nowhere"), std::string::npos) << err_.str();
}

TEST_F(KeymapCommand, BadArgumentsAreUsageErrors) {
  for (const auto& args : std::vector<std::vector<std::string>>{
           {"--layout"}, {"--layout", "us", "--layout", "de"}, {"de"}, {"--verbose"}}) {
    EXPECT_EQ(run(args), kExitUsage) << args.front();
    EXPECT_TRUE(out_.str().empty());
    EXPECT_NE(err_.str().find("usage: marbrel keymap"), std::string::npos) << err_.str();
  }
}

TEST_F(KeymapCommand, HelpSaysWhereTheLayoutComesFrom) {
  EXPECT_EQ(run({"--help"}), kExitOk);
  EXPECT_NE(out_.str().find("XKB_DEFAULT_LAYOUT"), std::string::npos);
  EXPECT_NE(out_.str().find("--layout LAYOUT[(VARIANT)]"), std::string::npos);
  EXPECT_TRUE(err_.str().empty());
}

}  // namespace
}  // namespace marbrel::cli
