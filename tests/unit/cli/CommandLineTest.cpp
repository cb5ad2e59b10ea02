#include <map>
#include <regex>

#include "CommandFixture.h"
#include "cli/Settings.h"
#include "unit/app/AppFixture.h"

namespace marbrel::cli {
namespace {

class CommandLine : public CommandFixture {
 protected:
  CommandLine() : CommandFixture("") {}
};

TEST(CommandLineArguments, OnlyUiTestingAndTheToolkitsOwnOptionsStartTheDesktopProgram) {
  const struct {
    Lines args;
    bool desktop;
    const char* why;
  } rows[] = {
      {{}, true, "no arguments"},
      {{"ui-testing"}, true, "the test mode"},
      {{"-session", "1a2b", "ui-testing"}, true, "a session manager restoring the program"},
      {{"--platform", "xcb"}, true, "options take one dash or two"},
      {{"-style=Fusion", "-reverse"}, true, "a value after = and an option without one"},
      {{"defaults", "read"}, false, "a sub-command"},
      {{"--help"}, false, "help"},
      {{"--version"}, false, "the version"},
      {{"--bogus"}, false, "an unknown option"},
      {{"ui-testing", "-x"}, false, "an unknown option after a known argument"},
      {{"-session"}, false, "an option without its value"},
      {{"-reverse=yes"}, false, "a value for an option that takes none"},
      {{"frobnicate"}, false, "an unknown word"},
  };
  for (const auto& row : rows) EXPECT_EQ(startsDesktopProgram(row.args), row.desktop) << row.why;
}

TEST_F(CommandLine, HelpAndVersionGoToStandardOutputAndMistakesToStandardErrorWithStatusTwo) {
  for (const auto& help : {"help", "--help", "-h"}) {
    EXPECT_EQ(run({help}), kExitOk) << help;
    EXPECT_EQ(outLines().front(), "usage: marbrel [ui-testing]") << help;
    EXPECT_EQ(err_.str(), "") << help;
  }
  for (const auto& version : {"version", "--version"}) {
    EXPECT_EQ(run({version}), kExitOk) << version;
    EXPECT_TRUE(std::regex_match(out_.str(), std::regex("marbrel [0-9]+\\.[0-9]+\\.[0-9]+\n")));
  }
  const std::pair<Lines, const char*> mistakes[] = {
      {{"--bogus"}, "unknown option '--bogus'"},
      {{"frobnicate", "now"}, "unknown command 'frobnicate'"},
      {{"ui-testing", "-platform"}, "'-platform' needs a value"},
      {{"--version", "--help"}, "takes no argument '--help'"},
      {{}, "usage: marbrel"},
  };
  for (const auto& [args, message] : mistakes) {
    EXPECT_EQ(run(args), kExitUsage) << message;
    EXPECT_EQ(out_.str(), "") << message;
    EXPECT_NE(err_.str().find(message), std::string::npos) << err_.str();
    EXPECT_NE(err_.str().find("\n       marbrel version | --version\n"), std::string::npos) << "usage follows";
  }
}

// The program itself, launched over fakes, reads each listed setting's default.
class SettingsList : public testing::AppFixture {};

TEST_F(SettingsList, EachSettingHasTheTypeDefaultAndValuesAFreshlyLaunchedProgramUses) {
  launch();
  using Json = nlohmann::json;
  const std::map<std::string, std::pair<const char*, Json>> fresh = {
      {"historySize", {"int", configuration.historySize()}},
      {"maxItemSize", {"int", configuration.maxItemSize()}},
      {"sortBy", {"string", configuration.sortBy()}},
      {"pinTo", {"string", configuration.pinTo()}},
      {"popupPosition", {"string", configuration.popupPosition()}},
      {"pasteByDefault", {"bool", configuration.pasteByDefault()}},
      {"fuzzySearch", {"bool", configuration.fuzzySearch()}},
      {"hideTitle", {"bool", configuration.hideTitle()}},
      {"hideSearch", {"bool", configuration.hideSearch()}},
      {"hideFooter", {"bool", configuration.hideFooter()}},
      {"showInStatusBar", {"bool", configuration.showInStatusBar()}},
      {"imageMaxHeight", {"int", configuration.imageMaxHeight()}},
      {"maxMenuItems", {"int", configuration.maxMenuItems()}},
      {"ignoreEvents", {"bool", configuration.ignoreEvents()}},
      {"ignoredPasteboardTypes", {"array", Json(configuration.ignoredPasteboardTypes())}},
  };
  std::set<std::string> listed;
  for (const Setting& setting : settings()) {
    SCOPED_TRACE(setting.key);
    listed.insert(setting.key);
    ASSERT_TRUE(fresh.contains(setting.key)) << "not a setting the program reads";
    EXPECT_EQ(setting.type, fresh.at(setting.key).first);
    EXPECT_EQ(setting.defaultValue, fresh.at(setting.key).second);
    EXPECT_EQ(setting.values.empty(), setting.type != "string") << "the strings list their choices";
    EXPECT_FALSE(setting.meaning.empty());
  }
  EXPECT_EQ(listed.size(), fresh.size()) << "every setting is listed once";
}

TEST_F(CommandLine, DefaultsKeysPrintsTheListAsColumnsOrJson) {
  ASSERT_EQ(run({"defaults", "keys", "--json"}), kExitOk);
  const auto json = nlohmann::json::parse(out_.str());
  ASSERT_EQ(json.size(), settings().size());
  EXPECT_EQ(json[1], nlohmann::json::parse(R"({"key": "sortBy", "type": "string", "default": "lastCopiedAt",
      "values": ["lastCopiedAt", "firstCopiedAt", "numberOfCopies"], "meaning": ")" +
                                           settings()[1].meaning + "\"}"));
  ASSERT_EQ(run({"defaults", "keys"}), kExitOk);
  const Lines lines = outLines();
  ASSERT_EQ(lines.size(), settings().size());
  EXPECT_TRUE(lines[2].starts_with("pinTo                   string  bottom        where pinned")) << lines[2];
  EXPECT_TRUE(lines[2].ends_with(" (top or bottom)")) << lines[2];
  EXPECT_TRUE(lines[13].starts_with("ignoredPasteboardTypes  array   []            ")) << lines[13];
  EXPECT_EQ(run({"defaults", "keys", "--yaml"}), kExitUsage);
  EXPECT_EQ(out_.str(), "");
}

}  // namespace
}  // namespace marbrel::cli
