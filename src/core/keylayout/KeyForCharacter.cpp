#include "core/keylayout/KeyForCharacter.h"

#include <array>
#include <string>

#include "core/keylayout/FixedKeyTexts.h"

namespace marbrel {

namespace {

// Layout texts are lower-cased before comparing. Only ASCII letters change: every text a rule below
// accepts is ASCII or a symbol without case.
std::string lowerCased(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return lower;
}

struct Digit {
  std::string_view character;
  std::string_view word;
  Key mainKey;
  Key keypadKey;
  std::uint16_t keypadCode;
};

constexpr std::array kDigits = {
    Digit{"1", "one", Key::one, Key::keypadOne, 83},
    Digit{"2", "two", Key::two, Key::keypadTwo, 84},
    Digit{"3", "three", Key::three, Key::keypadThree, 85},
    Digit{"4", "four", Key::four, Key::keypadFour, 86},
    Digit{"5", "five", Key::five, Key::keypadFive, 87},
    Digit{"6", "six", Key::six, Key::keypadSix, 88},
    Digit{"7", "seven", Key::seven, Key::keypadSeven, 89},
    Digit{"8", "eight", Key::eight, Key::keypadEight, 91},
    Digit{"9", "nine", Key::nine, Key::keypadNine, 92},
    Digit{"0", "zero", Key::zero, Key::keypadZero, 82},
};

constexpr std::array kKeypadKeys = {
    Key::keypadDecimal, Key::keypadMultiply, Key::keypadPlus, Key::keypadDivide, Key::keypadMinus,
    Key::keypadEquals,  Key::keypadZero,     Key::keypadOne,  Key::keypadTwo,    Key::keypadThree,
    Key::keypadFour,    Key::keypadFive,     Key::keypadSix,  Key::keypadSeven,  Key::keypadEight,
    Key::keypadNine,
};

constexpr std::uint16_t kKeypadDecimalCode = 65;
constexpr std::uint16_t kKeypadDivideCode = 75;
constexpr std::uint16_t kKeypadMinusCode = 78;
constexpr std::uint16_t kKeypadEqualsCode = 81;
constexpr std::uint16_t kKeypadCommaCode = 95;

bool equalsIgnoringAsciiCase(std::string_view lower, std::string_view name) {
  return lower == lowerCased(name);
}

std::optional<Key> letterKey(std::string_view lower) {
  if (lower.size() != 1 || lower[0] < 'a' || lower[0] > 'z') return std::nullopt;
  return keyFromRawValue(lower);
}

std::optional<Key> mainRowDigitKey(std::string_view lower, std::uint16_t keyCode) {
  for (const Digit& digit : kDigits) {
    if ((lower == digit.character || lower == digit.word) && keyCode != digit.keypadCode) {
      return digit.mainKey;
    }
  }
  return std::nullopt;
}

std::optional<Key> punctuationKey(std::string_view lower, std::uint16_t keyCode) {
  if ((lower == "=" || lower == "equal") && keyCode != kKeypadEqualsCode) return Key::equal;
  if ((lower == "-" || lower == "minus") && keyCode != kKeypadMinusCode) return Key::minus;
  if (lower == "]") return Key::rightBracket;
  if (lower == "[") return Key::leftBracket;
  if (lower == "'" || lower == "quote") return Key::quote;
  if (lower == ";") return Key::semicolon;
  if (lower == "\\") return Key::backslash;
  if ((lower == "," || lower == "comma") && keyCode != kKeypadCommaCode) return Key::comma;
  if ((lower == "/" || lower == "slash") && keyCode != kKeypadDivideCode) return Key::slash;
  if ((lower == "." || lower == "period") && keyCode != kKeypadDecimalCode) return Key::period;
  if (lower == "`" || lower == "grave") return Key::grave;
  return std::nullopt;
}

std::optional<Key> keypadKey(std::string_view lower, std::uint16_t keyCode) {
  if (lower == "." && keyCode == kKeypadDecimalCode) return Key::keypadDecimal;
  if (lower == "*") return Key::keypadMultiply;
  if (lower == "+") return Key::keypadPlus;
  if (lower == "/" && keyCode == kKeypadDivideCode) return Key::keypadDivide;
  if (lower == "-" && keyCode == kKeypadMinusCode) return Key::keypadMinus;
  if (lower == "=" && keyCode == kKeypadEqualsCode) return Key::keypadEquals;
  for (const Digit& digit : kDigits) {
    if (lower == digit.character && keyCode == digit.keypadCode) return digit.keypadKey;
  }
  for (Key key : kKeypadKeys) {
    if (equalsIgnoringAsciiCase(lower, rawValue(key))) return key;
  }
  return std::nullopt;
}

std::optional<Key> specialKey(std::string_view lower) {
  for (const SpecialKey& special : specialKeys()) {
    if (equalsIgnoringAsciiCase(lower, special.text) ||
        equalsIgnoringAsciiCase(lower, rawValue(special.key))) {
      return special.key;
    }
  }
  return std::nullopt;
}

std::optional<Key> otherKey(std::string_view lower, std::uint16_t keyCode) {
  if (lower == "\u00A5") return Key::yen;
  if (lower == "_") return Key::underscore;
  if (lower == "," && keyCode == kKeypadCommaCode) return Key::keypadComma;
  if (lower == "\u82F1\u6570") return Key::eisu;
  if (lower == "\u304B\u306A") return Key::kana;
  if (lower == "@") return Key::atSign;
  if (lower == "^") return Key::caret;
  if (lower == ":") return Key::colon;
  if (lower == "\u00A7") return Key::section;
  return std::nullopt;
}

}  // namespace

std::optional<Key> keyForCharacter(std::string_view text, std::uint16_t keyCode) {
  const std::string lower = lowerCased(text);
  if (auto key = letterKey(lower)) return key;
  if (auto key = mainRowDigitKey(lower, keyCode)) return key;
  if (auto key = punctuationKey(lower, keyCode)) return key;
  if (auto key = keypadKey(lower, keyCode)) return key;
  if (auto key = specialKey(lower)) return key;
  return otherKey(lower, keyCode);
}

}  // namespace marbrel
