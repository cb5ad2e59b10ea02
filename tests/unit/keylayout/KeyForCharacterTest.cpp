#include <gtest/gtest.h>

#include "core/keylayout/KeyForCharacter.h"

namespace marbrel {
namespace {

constexpr std::uint16_t kMainRowCode = 18;  // any code that is not a keypad key

TEST(KeyForCharacter, LettersMatchInEitherCase) {
  EXPECT_EQ(keyForCharacter("z", 16), Key::z);
  EXPECT_EQ(keyForCharacter("Z", 16), Key::z);
  EXPECT_EQ(keyForCharacter("a", 200), Key::a);
  EXPECT_EQ(keyForCharacter("ab", 0), std::nullopt);
  EXPECT_EQ(keyForCharacter("\u00E4", 0), std::nullopt);  // ä
  EXPECT_EQ(keyForCharacter("\u0439", 12), std::nullopt);  // Cyrillic й
  EXPECT_EQ(keyForCharacter("", 0), std::nullopt);
}

TEST(KeyForCharacter, DigitsAreMainRowKeysExceptAtTheirKeypadCode) {
  EXPECT_EQ(keyForCharacter("1", kMainRowCode), Key::one);
  EXPECT_EQ(keyForCharacter("0", 29), Key::zero);
  EXPECT_EQ(keyForCharacter("seven", kMainRowCode), Key::seven);
  EXPECT_EQ(keyForCharacter("ZERO", kMainRowCode), Key::zero);
  EXPECT_EQ(keyForCharacter("0", 82), Key::keypadZero);
  EXPECT_EQ(keyForCharacter("8", 91), Key::keypadEight);
  EXPECT_EQ(keyForCharacter("9", 92), Key::keypadNine);
  // 90 lies between the keypad's seven and eight but is F20, not a keypad digit.
  EXPECT_EQ(keyForCharacter("8", 90), Key::eight);
  // A digit at another digit's keypad code is still the main-row digit.
  EXPECT_EQ(keyForCharacter("1", 82), Key::one);
}

TEST(KeyForCharacter, PunctuationDependsOnWhetherTheCodeIsTheKeypadOne) {
  EXPECT_EQ(keyForCharacter("=", 24), Key::equal);
  EXPECT_EQ(keyForCharacter("=", 81), Key::keypadEquals);
  EXPECT_EQ(keyForCharacter("-", 27), Key::minus);
  EXPECT_EQ(keyForCharacter("-", 78), Key::keypadMinus);
  EXPECT_EQ(keyForCharacter(".", 47), Key::period);
  EXPECT_EQ(keyForCharacter(".", 65), Key::keypadDecimal);
  EXPECT_EQ(keyForCharacter("/", 44), Key::slash);
  EXPECT_EQ(keyForCharacter("/", 75), Key::keypadDivide);
  EXPECT_EQ(keyForCharacter(",", 43), Key::comma);
  EXPECT_EQ(keyForCharacter(",", 95), Key::keypadComma);
  EXPECT_EQ(keyForCharacter("*", 28), Key::keypadMultiply);
  EXPECT_EQ(keyForCharacter("+", 30), Key::keypadPlus);
  EXPECT_EQ(keyForCharacter("]", 30), Key::rightBracket);
  EXPECT_EQ(keyForCharacter("[", 33), Key::leftBracket);
  EXPECT_EQ(keyForCharacter("'", 39), Key::quote);
  EXPECT_EQ(keyForCharacter(";", 41), Key::semicolon);
  EXPECT_EQ(keyForCharacter("\\", 42), Key::backslash);
  EXPECT_EQ(keyForCharacter("`", 50), Key::grave);
}

TEST(KeyForCharacter, NamesInAnyCaseNameTheirKeys) {
  EXPECT_EQ(keyForCharacter("equal", 24), Key::equal);
  EXPECT_EQ(keyForCharacter("Minus", 27), Key::minus);
  EXPECT_EQ(keyForCharacter("quote", 0), Key::quote);
  EXPECT_EQ(keyForCharacter("comma", 0), Key::comma);
  EXPECT_EQ(keyForCharacter("slash", 0), Key::slash);
  EXPECT_EQ(keyForCharacter("period", 0), Key::period);
  EXPECT_EQ(keyForCharacter("grave", 0), Key::grave);
  EXPECT_EQ(keyForCharacter("keypaddecimal", 0), Key::keypadDecimal);
  EXPECT_EQ(keyForCharacter("KeypadNine", 0), Key::keypadNine);
  EXPECT_EQ(keyForCharacter("pagedown", 0), Key::pageDown);
  EXPECT_EQ(keyForCharacter("forwarddelete", 0), Key::forwardDelete);
  EXPECT_EQ(keyForCharacter("keypadenter", 0), Key::keypadEnter);
  // Only the names the rules list count: there is no "semicolon" or "rightbracket" rule.
  EXPECT_EQ(keyForCharacter("semicolon", 41), std::nullopt);
  EXPECT_EQ(keyForCharacter("rightbracket", 30), std::nullopt);
}

TEST(KeyForCharacter, SpecialKeyTextsNameTheirKeys) {
  EXPECT_EQ(keyForCharacter("Space", 0), Key::space);
  EXPECT_EQ(keyForCharacter("space", 0), Key::space);
  EXPECT_EQ(keyForCharacter("F5", 0), Key::f5);
  EXPECT_EQ(keyForCharacter("f12", 0), Key::f12);
  EXPECT_EQ(keyForCharacter("\u21A9", 0), Key::return_);
  EXPECT_EQ(keyForCharacter("\u232B", 0), Key::delete_);
  EXPECT_EQ(keyForCharacter("?\u20DD", 0), Key::help);
  EXPECT_EQ(keyForCharacter("\u2190", 0), Key::leftArrow);
  EXPECT_EQ(keyForCharacter("?", 0), std::nullopt);
}

TEST(KeyForCharacter, JISAndOtherSymbols) {
  EXPECT_EQ(keyForCharacter("\u00A5", 93), Key::yen);
  EXPECT_EQ(keyForCharacter("_", 94), Key::underscore);
  EXPECT_EQ(keyForCharacter("\u82F1\u6570", 102), Key::eisu);
  EXPECT_EQ(keyForCharacter("\u304B\u306A", 104), Key::kana);
  EXPECT_EQ(keyForCharacter("@", 33), Key::atSign);
  EXPECT_EQ(keyForCharacter("^", 24), Key::caret);
  EXPECT_EQ(keyForCharacter(":", 39), Key::colon);
  EXPECT_EQ(keyForCharacter("\u00A7", 10), Key::section);
  EXPECT_EQ(keyForCharacter("\u00B4", 24), std::nullopt);  // ´
  EXPECT_EQ(keyForCharacter("\r", 36), std::nullopt);
}

}  // namespace
}  // namespace marbrel
