#include "core/config/Configuration.h"

#include <gtest/gtest.h>

namespace marbrel {
namespace {

TEST(Configuration, StringSettingsOfTheWrongTypeFallBack) {
  Defaults defaults({});
  ProcessArguments arguments;
  Configuration configuration(defaults, arguments);
  defaults.set("sortBy", 5);
  defaults.set("pinTo", true);
  EXPECT_EQ(configuration.sortBy(), "lastCopiedAt");
  EXPECT_EQ(configuration.pinTo(), "bottom");
  configuration.setPopupPosition("somewhere");  // stored unchanged; consumers map it
  EXPECT_EQ(configuration.popupPosition(), "somewhere");
}

TEST(Configuration, IgnoredTypesRejectTheWholeValueForOneStrayElement) {
  Defaults defaults({});
  ProcessArguments arguments;
  Configuration configuration(defaults, arguments);
  defaults.set("ignoredPasteboardTypes", Defaults::Value::array({"text/html", 3}));
  EXPECT_TRUE(configuration.ignoredPasteboardTypes().empty());
  defaults.set("ignoredPasteboardTypes", Defaults::Value::array({"text/html", "text/html"}));
  EXPECT_EQ(configuration.ignoredPasteboardTypes(), std::set<std::string>{"text/html"});
  defaults.set("ignoredPasteboardTypes", "text/html");  // not an array
  EXPECT_TRUE(configuration.ignoredPasteboardTypes().empty());
  configuration.setIgnoredPasteboardTypes({"a", "b"});
  EXPECT_EQ(configuration.ignoredPasteboardTypes(), (std::set<std::string>{"a", "b"}));
}

TEST(Configuration, UiTestingKeepsAwayFromTheStatusItemSettingAndFuzzySearch) {
  Defaults defaults({});
  for (const char* argument : {"ui-testing", "ui-testing-not"}) {
    const bool uiTesting = std::string(argument) == "ui-testing";
    ProcessArguments arguments({"marbrel", argument});
    Configuration configuration(defaults, arguments);
    defaults.setBool("fuzzySearch", true);
    configuration.setShowInStatusBar(false);
    EXPECT_EQ(configuration.showInStatusBar(), uiTesting) << argument;
    EXPECT_EQ(configuration.fuzzySearch(), !uiTesting) << argument;
    EXPECT_EQ(defaults.persistentObjectForKey(uiTesting ? "showInStatusBarUITests" : "showInStatusBar"), false);
    if (uiTesting) {
      EXPECT_FALSE(defaults.persistentObjectForKey("showInStatusBar"));
    }
  }
}

}  // namespace
}  // namespace marbrel
