#include <gtest/gtest.h>

#include <vector>

#include "core/platform/ModifierFlags.h"
#include "core/shortcuts/PortalTrigger.h"
#include "core/shortcuts/Shortcut.h"
#include "core/shortcuts/ShortcutText.h"
#include "fakes/FakeKeyboardLayout.h"

namespace marbrel {
namespace {

constexpr std::int64_t kCmd = carbon_modifiers::kCommand;
constexpr std::int64_t kShift = carbon_modifiers::kShift;

TEST(ShortcutStoredForm, ShiftCommandVIsWrittenAsCompactJsonAndReadBackInEitherMemberOrder) {
  EXPECT_EQ(Shortcut({9, kCmd | kShift}).toJson(), R"({"carbonKeyCode":9,"carbonModifiers":768})");
  EXPECT_EQ(Shortcut::fromJson(R"({"carbonModifiers":768,"carbonKeyCode":9})"), Shortcut({9, 768}));
  EXPECT_EQ(Shortcut::fromJson(R"({ "carbonKeyCode" : 9, "carbonModifiers" : 768, "extra": true })"),
            Shortcut({9, 768}));
}

TEST(ShortcutStoredForm, TextsThatAreNotTheStoredFormReadAsNoShortcut) {
  for (const char* text : {"", "garbage", "5", "[9,768]", R"({"carbonKeyCode":9})",
                           R"({"carbonKeyCode":"9","carbonModifiers":768})", R"({"carbonKeyCode":9.5,"carbonModifiers":768})",
                           R"({"carbonKeyCode":18446744073709551615,"carbonModifiers":0})",
                           "{\"carbonKeyCode\":9,\"carbonModifiers\":768", "\xff\xfe"}) {
    EXPECT_EQ(Shortcut::fromJson(text), std::nullopt) << text;
  }
}

TEST(ShortcutModifiers, CocoaFlagsConvertToCarbonMasksAndBackDroppingOtherFlags) {
  const std::uint64_t all = cocoa_flags::kControl | cocoa_flags::kOption | cocoa_flags::kShift | cocoa_flags::kCommand;
  const std::uint64_t noise = cocoa_flags::kCapsLock | cocoa_flags::kFunction | cocoa_flags::kNumericPad | 0x1234;
  const Shortcut shortcut = Shortcut::fromEvent(9, all | noise);
  EXPECT_EQ(shortcut, Shortcut({9, 0x1000 | 0x800 | 0x200 | 0x100}));
  EXPECT_EQ(shortcut.cocoaModifiers(), all);
  EXPECT_EQ(Shortcut::cocoaFromCarbon(0x4000 | kCmd), cocoa_flags::kCommand);
}

ShortcutText usText() {
  return ShortcutText([](std::int64_t code) -> std::optional<std::string> {
    switch (code) {
      case 0: return "a";
      case 9: return "v";
      case 36: return "x";  // never asked: Return has a fixed text
      case 41: return "\xC3\xA9";  // é
      case 27: return "\xC3\x9F";  // ß
      case 50: return "";
      default: return std::nullopt;
    }
  });
}

// Modifier symbols in a fixed order, then the key: upper-cased, or its fixed text, or U+FFFD when
// the layout gives no character.
TEST(ShortcutTextForm, ModifierSymbolsThenTheKeyUpperCasedOrItsFixedText) {
  const ShortcutText text = usText();
  const std::pair<Shortcut, const char*> rows[] = {
      {{9, kCmd | kShift}, "\u21E7\u2318V"}, {{0, 0x1000 | 0x800 | kShift | kCmd}, "\u2303\u2325\u21E7\u2318A"},
      {{41, 0x800}, "\u2325\u00C9"}, {{27, kCmd}, "\u2318SS"}, {{96, 0}, "F5"}, {{90, kCmd}, "\u2318F20"},
      {{36, kCmd}, "\u2318\u21A9"},  // fixed texts win over the layout
      {{49, 0x1000}, "\u2303\u23B5"}, {{114, 0}, "?\u20DD"},
      {{52, kCmd}, "\u2318\uFFFD"},  // the layout has nothing
      {{50, kCmd}, "\u2318\uFFFD"},  // the layout gives an empty text
      {{-7, kCmd}, "\u2318\uFFFD"},
  };
  for (const auto& [shortcut, expected] : rows) EXPECT_EQ(text.text(shortcut), expected) << shortcut.carbonKeyCode;
  EXPECT_EQ(text.keyCharacter(50), std::nullopt);
  EXPECT_EQ(ShortcutText({}).text({0, kCmd}), "\u2318\uFFFD");
}

TEST(PortalTriggerText, ModifiersInTheConventionsNamesAndOrderThenTheKeysymName) {
  constexpr std::int64_t kOption = carbon_modifiers::kOption, kControl = carbon_modifiers::kControl;
  struct Row {
    Shortcut shortcut;
    const char* keyName;
    const char* expected;
    const char* why;
  };
  for (const Row& row : std::vector<Row>{
           {{9, kCmd | kShift}, "v", "CTRL+SHIFT+v", "the default: Command is Ctrl"},
           {{9, kControl | kOption | kShift | kCmd}, "v", "CTRL+ALT+SHIFT+LOGO+v", "every modifier, fixed order"},
           {{96, 0}, "F5", "F5", "a function key alone"},
           {{43, kOption}, "comma", "ALT+comma", "punctuation by keysym name"},
       }) {
    SCOPED_TRACE(row.why);
    EXPECT_EQ(portal_trigger::text(row.shortcut, row.keyName), row.expected);
  }
  EXPECT_EQ(portal_trigger::fixedKeyName(36), "Return");
  EXPECT_EQ(portal_trigger::fixedKeyName(116), "Prior");
  EXPECT_EQ(portal_trigger::fixedKeyName(90), "F20");
  EXPECT_EQ(portal_trigger::fixedKeyName(9), std::nullopt);
}

TEST(PortalTriggerReading, DesktopsDescriptionsAreComparedByCombination) {
  struct Row {
    const char* reported;
    bool same;  // as "CTRL+SHIFT+v"
    const char* why;
  };
  for (const Row& row : std::vector<Row>{
           {"CTRL+SHIFT+v", true, "echoed as asked"},
           {"Ctrl+Shift+V", true, "a Qt desktop's text"},
           {"Shift+Ctrl+V", true, "modifiers in another order"},
           {"<Control><Shift>v", true, "GTK's accelerator form"},
           {"<Primary><Shift>V", true, "GTK's primary modifier"},
           {" CTRL + SHIFT + v ", true, "spaces around the parts"},
           {"CTRL+ALT+v", false, "another modifier"},
           {"CTRL+v", false, "a modifier less"},
           {"CTRL+SHIFT+b", false, "another key"},
           {"LOGO+SHIFT+v", false, "Super is not Ctrl"},
           {"Press Ctrl+Shift+V", false, "prose is not a trigger"},
           {"", false, "nothing assigned"},
           {"CTRL+SHIFT+", false, "no key"},
           {"<Control", false, "an unclosed modifier"},
           {"HYPER+v", false, "an unknown modifier"},
       }) {
    SCOPED_TRACE(row.why);
    EXPECT_EQ(portal_trigger::sameCombination("CTRL+SHIFT+v", row.reported), row.same) << row.reported;
  }
  EXPECT_EQ(portal_trigger::parse("CTRL++"), (portal_trigger::Trigger{kCmd, "+"}));
}

}  // namespace
}  // namespace marbrel
