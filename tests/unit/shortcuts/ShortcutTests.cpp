#include <gtest/gtest.h>

#include <map>
#include <vector>

#include "core/platform/ModifierFlags.h"
#include "core/shortcuts/PortalTrigger.h"
#include "core/shortcuts/Shortcut.h"
#include "core/shortcuts/ShortcutText.h"

namespace marbrel {
namespace {

constexpr std::int64_t kCmd = carbon_modifiers::kCommand, kShift = carbon_modifiers::kShift;

TEST(ShortcutStoredForm, TextsThatAreNotTheStoredFormReadAsNoShortcut) {
  EXPECT_EQ(Shortcut::fromJson(R"({ "carbonModifiers" : 768, "carbonKeyCode" : 9, "extra": true })"), Shortcut({9, 768}));
  for (const char* text : {"garbage", "[9,768]", R"({"carbonKeyCode":9})",
                           R"({"carbonKeyCode":"9","carbonModifiers":768})",
                           R"({"carbonKeyCode":18446744073709551615,"carbonModifiers":0})"}) {
    EXPECT_EQ(Shortcut::fromJson(text), std::nullopt) << text;
  }
}

// Modifier symbols in a fixed order, then the key: upper-cased, or its fixed text, or U+FFFD when
// the layout gives no character.
TEST(ShortcutTextForm, ModifierSymbolsThenTheKeyUpperCasedOrItsFixedText) {
  // Return (36) has a fixed text and is never asked of the layout.
  const std::map<std::int64_t, std::string> typed{{0, "a"}, {36, "x"}, {41, "\xC3\xA9"}, {27, "\xC3\x9F"}, {50, ""}};
  const ShortcutText text([&](std::int64_t code) -> std::optional<std::string> {
    return typed.contains(code) ? std::optional(typed.at(code)) : std::nullopt;
  });
  const std::pair<Shortcut, const char*> rows[] = {
      {{0, 0x1000 | 0x800 | kShift | kCmd}, "\u2303\u2325\u21E7\u2318A"}, {{41, 0x800}, "\u2325\u00C9"},
      {{27, kCmd}, "\u2318SS"}, {{96, 0}, "F5"}, {{36, kCmd}, "\u2318\u21A9"}, {{52, kCmd}, "\u2318\uFFFD"},
      {{50, kCmd}, "\u2318\uFFFD"}, {{-7, kCmd}, "\u2318\uFFFD"},
  };
  for (const auto& [shortcut, expected] : rows) EXPECT_EQ(text.text(shortcut), expected) << shortcut.carbonKeyCode;
  EXPECT_EQ(ShortcutText({}).text({0, kCmd}), "\u2318\uFFFD");
}

TEST(PortalTriggerText, ModifiersInTheConventionsNamesAndOrderThenTheKeysymName) {
  constexpr std::int64_t kOption = carbon_modifiers::kOption, kControl = carbon_modifiers::kControl;
  EXPECT_EQ(portal_trigger::text({9, kCmd | kShift}, "v"), "CTRL+SHIFT+v");  // Command is Ctrl
  EXPECT_EQ(portal_trigger::text({9, kControl | kOption | kShift | kCmd}, "v"), "CTRL+ALT+SHIFT+LOGO+v");
  EXPECT_EQ(portal_trigger::text({96, 0}, "F5"), "F5");
}

// What desktops report back (Qt's and GTK's forms, spaces, another order), compared with "CTRL+SHIFT+v".
TEST(PortalTriggerReading, DesktopsDescriptionsAreComparedByCombination) {
  for (const auto& [reported, same] : std::vector<std::pair<const char*, bool>>{
           {"Shift+Ctrl+V", true}, {"<Primary><Shift>V", true}, {" CTRL + SHIFT + v ", true}, {"CTRL+ALT+v", false},
           {"CTRL+v", false}, {"CTRL+SHIFT+b", false}, {"Press Ctrl+Shift+V", false}, {"CTRL+SHIFT+", false},
           {"<Control", false}}) {
    EXPECT_EQ(portal_trigger::sameCombination("CTRL+SHIFT+v", reported), same) << reported;
  }
  EXPECT_EQ(portal_trigger::parse("CTRL++"), (portal_trigger::Trigger{kCmd, "+"}));
}

}  // namespace
}  // namespace marbrel
