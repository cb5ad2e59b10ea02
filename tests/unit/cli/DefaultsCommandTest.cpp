#include "CommandFixture.h"
#include "core/config/Defaults.h"
#include "support/TempDir.h"

namespace marbrel::cli {
namespace {

// Runs `marbrel defaults ...` with XDG_CONFIG_HOME pointing into a fresh folder.
class DefaultsCommand : public CommandFixture {
 protected:
  DefaultsCommand() : CommandFixture("defaults") { setEnv("XDG_CONFIG_HOME", dir_.path().string()); }

  Defaults::Value stored() { return Defaults(Defaults::standardFile()).persistentDomain(); }

  marbrel::testing::TempDir dir_;
};

TEST_F(DefaultsCommand, WritesEachTypeAndReadsItBack) {
  for (const Lines& args : {Lines{"hideFooter", "-bool", "true"}, Lines{"historySize", "-int", "500"},
                            Lines{"imageMaxHeight", "-float", "40.5"}, Lines{"sortBy", "-string", "numberOfCopies"},
                            Lines{"ignoredPasteboardTypes", "-array", "text/html", "image/bmp"}}) {
    Lines write{"write"};
    write.insert(write.end(), args.begin(), args.end());
    EXPECT_EQ(run(write), kExitOk) << args.front();
  }
  EXPECT_EQ(stored(), Defaults::Value::parse(R"({"hideFooter": true, "historySize": 500,
      "imageMaxHeight": 40.5, "sortBy": "numberOfCopies",
      "ignoredPasteboardTypes": ["text/html", "image/bmp"]})"));

  EXPECT_EQ(run({"read", "sortBy"}), kExitOk);
  EXPECT_EQ(out_.str(), "numberOfCopies\n");
  EXPECT_EQ(run({"read", "historySize"}), kExitOk);
  EXPECT_EQ(out_.str(), "500\n");
  EXPECT_EQ(run({"read"}), kExitOk);
  EXPECT_EQ(Defaults::Value::parse(out_.str()), stored());

  EXPECT_EQ(run({"delete", "historySize"}), kExitOk);
  EXPECT_FALSE(stored().contains("historySize"));
  EXPECT_EQ(run({"read", "historySize"}), kExitFailure);
  EXPECT_EQ(run({"delete", "historySize"}), kExitFailure);
}

TEST_F(DefaultsCommand, AWrongArgumentPrintsUsageExitsTwoAndChangesNothing) {
  ASSERT_EQ(run({"write", "historySize", "-int", "7"}), kExitOk);
  const auto before = stored();
  for (const Lines& args : std::vector<Lines>{
           {}, {"frobnicate"}, {"write", "historySize"}, {"write", "historySize", "-int"},
           {"write", "historySize", "-int", "seven"}, {"write", "historySize", "-int", "7", "8"},
           {"write", "historySize", "-int", "99999999999999999999"}, {"write", "hideFooter", "-bool", "maybe"},
           {"write", "imageMaxHeight", "-float", "4x"}, {"write", "sortBy", "-date", "now"}, {"read", "a", "b"},
           {"delete"}}) {
    EXPECT_EQ(run(args), kExitUsage) << ::testing::PrintToString(args);
    EXPECT_NE(err_.str().find("usage: marbrel defaults"), std::string::npos);
    EXPECT_EQ(stored(), before);
  }
  EXPECT_EQ(run({"--help"}), kExitOk);
  EXPECT_NE(out_.str().find("usage: marbrel defaults"), std::string::npos);
}

TEST_F(DefaultsCommand, ASettingsFileThatCannotBeReadIsNeitherReadAsEmptyNorReplaced) {
  // A folder where the file should be: it opens, but reading it fails.
  const std::filesystem::path file = Defaults::standardFile();
  std::filesystem::create_directories(file);
  EXPECT_EQ(run({"write", "hideFooter", "-bool", "true"}), kExitFailure);
  EXPECT_NE(err_.str().find(file.string()), std::string::npos) << err_.str();
  EXPECT_EQ(run({"read"}), kExitFailure) << "an unreadable file is not an empty one";
  EXPECT_NE(err_.str().find(file.string()), std::string::npos) << err_.str();
  EXPECT_TRUE(std::filesystem::is_directory(file));
}

}  // namespace
}  // namespace marbrel::cli
