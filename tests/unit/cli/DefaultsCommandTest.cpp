#include "CommandFixture.h"
#include "core/config/Defaults.h"

namespace marbrel::cli {
namespace {

class DefaultsCommand : public CommandFixture {
 protected:
  DefaultsCommand() : CommandFixture("defaults") {}
  Defaults::Value stored() { return Defaults(Defaults::standardFile()).persistentDomain(); }
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
