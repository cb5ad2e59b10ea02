#include "core/config/Configuration.h"

#include <gtest/gtest.h>

namespace marbrel {
namespace {

// Registers what the program registers at start-up, in its order.
void registerStartupDefaults(Defaults& defaults, const Configuration& configuration) {
  defaults.registerDefault("historySize", 200);
  defaults.registerDefault(configuration.showInStatusBarKey(), true);
  defaults.registerDefault("hideTitle", true);
  defaults.registerDefault("pasteByDefault", true);
  defaults.registerDefault("maxMenuItems", 0);
  defaults.registerDefault("imageMaxHeight", 40.0);
}

TEST(Configuration, AFreshAccountReadsTheDocumentedValues) {
  Defaults defaults({});
  ProcessArguments arguments({"marbrel"});
  Configuration configuration(defaults, arguments);
  registerStartupDefaults(defaults, configuration);

  EXPECT_EQ(configuration.historySize(), 200);
  EXPECT_EQ(configuration.sortBy(), "lastCopiedAt");
  EXPECT_EQ(configuration.pinTo(), "bottom");
  EXPECT_EQ(configuration.popupPosition(), "center");
  EXPECT_TRUE(configuration.pasteByDefault());
  EXPECT_FALSE(configuration.fuzzySearch());
  EXPECT_TRUE(configuration.hideTitle());
  EXPECT_FALSE(configuration.hideSearch());
  EXPECT_FALSE(configuration.hideFooter());
  EXPECT_TRUE(configuration.showInStatusBar());
  EXPECT_EQ(configuration.imageMaxHeight(), 40);
  EXPECT_EQ(configuration.maxMenuItems(), 0);
  EXPECT_FALSE(configuration.ignoreEvents());
  EXPECT_TRUE(configuration.ignoredPasteboardTypes().empty());
}

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
  ProcessArguments arguments({"marbrel", "ui-testing"});
  Configuration configuration(defaults, arguments);
  defaults.setBool("fuzzySearch", true);
  configuration.setShowInStatusBar(false);

  EXPECT_EQ(defaults.persistentObjectForKey("showInStatusBarUITests"), false);
  EXPECT_FALSE(defaults.persistentObjectForKey("showInStatusBar"));
  EXPECT_TRUE(configuration.showInStatusBar());
  EXPECT_FALSE(configuration.fuzzySearch());
}

TEST(Configuration, WithoutUiTestingTheStatusItemSettingIsReadAndWritten) {
  Defaults defaults({});
  ProcessArguments arguments({"marbrel", "ui-testing-not"});
  Configuration configuration(defaults, arguments);
  configuration.setShowInStatusBar(false);
  EXPECT_FALSE(configuration.showInStatusBar());
  EXPECT_EQ(defaults.persistentObjectForKey("showInStatusBar"), false);
}

}  // namespace
}  // namespace marbrel
