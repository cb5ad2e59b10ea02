#include "core/keylayout/FixedKeyCodes.h"

#include <array>
#include <utility>

namespace marbrel {

namespace {

using Entry = std::pair<std::uint16_t, Key>;

constexpr std::array kFixedKeyCodes = {
    Entry{0, Key::a},           Entry{1, Key::s},
    Entry{2, Key::d},           Entry{3, Key::f},
    Entry{4, Key::h},           Entry{5, Key::g},
    Entry{6, Key::z},           Entry{7, Key::x},
    Entry{8, Key::c},           Entry{9, Key::v},
    Entry{10, Key::section},    Entry{11, Key::b},
    Entry{12, Key::q},          Entry{13, Key::w},
    Entry{14, Key::e},          Entry{15, Key::r},
    Entry{16, Key::y},          Entry{17, Key::t},
    Entry{18, Key::one},        Entry{19, Key::two},
    Entry{20, Key::three},      Entry{21, Key::four},
    Entry{22, Key::six},        Entry{23, Key::five},
    Entry{24, Key::equal},      Entry{25, Key::nine},
    Entry{26, Key::seven},      Entry{27, Key::minus},
    Entry{28, Key::eight},      Entry{29, Key::zero},
    Entry{30, Key::rightBracket}, Entry{31, Key::o},
    Entry{32, Key::u},          Entry{33, Key::leftBracket},
    Entry{34, Key::i},          Entry{35, Key::p},
    Entry{36, Key::return_},    Entry{37, Key::l},
    Entry{38, Key::j},          Entry{39, Key::quote},
    Entry{40, Key::k},          Entry{41, Key::semicolon},
    Entry{42, Key::backslash},  Entry{43, Key::comma},
    Entry{44, Key::slash},      Entry{45, Key::n},
    Entry{46, Key::m},          Entry{47, Key::period},
    Entry{48, Key::tab},        Entry{49, Key::space},
    Entry{50, Key::grave},      Entry{51, Key::delete_},
    Entry{53, Key::escape},     Entry{64, Key::f17},
    Entry{65, Key::keypadDecimal}, Entry{67, Key::keypadMultiply},
    Entry{69, Key::keypadPlus}, Entry{71, Key::keypadClear},
    Entry{75, Key::keypadDivide}, Entry{76, Key::keypadEnter},
    Entry{78, Key::keypadMinus}, Entry{79, Key::f18},
    Entry{80, Key::f19},        Entry{81, Key::keypadEquals},
    Entry{82, Key::keypadZero}, Entry{83, Key::keypadOne},
    Entry{84, Key::keypadTwo},  Entry{85, Key::keypadThree},
    Entry{86, Key::keypadFour}, Entry{87, Key::keypadFive},
    Entry{88, Key::keypadSix},  Entry{89, Key::keypadSeven},
    Entry{90, Key::f20},        Entry{91, Key::keypadEight},
    Entry{92, Key::keypadNine}, Entry{93, Key::yen},
    Entry{94, Key::underscore}, Entry{95, Key::keypadComma},
    Entry{96, Key::f5},         Entry{97, Key::f6},
    Entry{98, Key::f7},         Entry{99, Key::f3},
    Entry{100, Key::f8},        Entry{101, Key::f9},
    Entry{102, Key::eisu},      Entry{103, Key::f11},
    Entry{104, Key::kana},      Entry{105, Key::f13},
    Entry{106, Key::f16},       Entry{107, Key::f14},
    Entry{109, Key::f10},       Entry{111, Key::f12},
    Entry{113, Key::f15},       Entry{114, Key::help},
    Entry{115, Key::home},      Entry{116, Key::pageUp},
    Entry{117, Key::forwardDelete}, Entry{118, Key::f4},
    Entry{119, Key::end},       Entry{120, Key::f2},
    Entry{121, Key::pageDown},  Entry{122, Key::f1},
    Entry{123, Key::leftArrow}, Entry{124, Key::rightArrow},
    Entry{125, Key::downArrow}, Entry{126, Key::upArrow},
};

// Lookup tables in both directions, built once from the list above.
struct Tables {
  std::array<std::optional<Key>, 128> keyForCode{};
  std::array<std::optional<std::uint16_t>, kKeyCount> codeForKey{};

  Tables() {
    for (const auto& [code, key] : kFixedKeyCodes) {
      keyForCode[code] = key;
      auto& codeSlot = codeForKey[static_cast<std::size_t>(key)];
      if (!codeSlot) codeSlot = code;
    }
  }
};

const Tables& tables() {
  static const Tables instance;
  return instance;
}

}  // namespace

std::optional<Key> fixedKeyForKeyCode(std::uint16_t keyCode) {
  if (keyCode >= tables().keyForCode.size()) return std::nullopt;
  return tables().keyForCode[keyCode];
}

std::optional<std::uint16_t> fixedKeyCodeForKey(Key key) {
  const auto index = static_cast<std::size_t>(key);
  if (index >= kKeyCount) return std::nullopt;
  return tables().codeForKey[index];
}

}  // namespace marbrel
