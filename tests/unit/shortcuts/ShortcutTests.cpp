#include <gtest/gtest.h>

#include "core/platform/ModifierFlags.h"
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

TEST(ShortcutTextForm, ModifierSymbolsInFixedOrderThenTheKeyUpperCasedOrItsFixedText) {
  const ShortcutText text = usText();
  EXPECT_EQ(text.text({9, kCmd | kShift}), "\u21E7\u2318V");
  EXPECT_EQ(text.text({0, 0x1000 | 0x800 | kShift | kCmd}), "\u2303\u2325\u21E7\u2318A");
  EXPECT_EQ(text.text({41, 0x800}), "\u2325\u00C9");
  EXPECT_EQ(text.text({27, kCmd}), "\u2318SS");
  EXPECT_EQ(text.text({96, 0}), "F5");
  EXPECT_EQ(text.text({90, kCmd}), "\u2318F20");
  EXPECT_EQ(text.text({36, kCmd}), "\u2318\u21A9");  // fixed texts win over the layout
  EXPECT_EQ(text.text({49, 0x1000}), "\u2303\u23B5");
  EXPECT_EQ(text.text({114, 0}), "?\u20DD");
}

TEST(ShortcutTextForm, KeysWithoutACharacterShowTheReplacementCharacter) {
  const ShortcutText text = usText();
  EXPECT_EQ(text.text({52, kCmd}), "\u2318\uFFFD");   // the layout has nothing
  EXPECT_EQ(text.text({50, kCmd}), "\u2318\uFFFD");   // the layout gives an empty text
  EXPECT_EQ(text.keyCharacter(50), std::nullopt);
  EXPECT_EQ(text.text({-7, kCmd}), "\u2318\uFFFD");
  EXPECT_EQ(ShortcutText({}).text({0, kCmd}), "\u2318\uFFFD");
}

}  // namespace
}  // namespace marbrel
