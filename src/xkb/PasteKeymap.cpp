#include "xkb/PasteKeymap.h"

namespace marbrel::paste_keymap {

namespace {

// X key code = evdev code + 8.
constexpr std::uint32_t kXKeyCodeV = 55;
constexpr std::uint32_t kXKeyCodeInsert = 118;
constexpr std::uint32_t kEvdevOffset = 8;

constexpr std::uint64_t kShiftFlag = 0x20000;
constexpr std::uint64_t kControlFlag = 0x40000;
constexpr std::uint64_t kOptionFlag = 0x80000;
constexpr std::uint64_t kCommandFlag = 0x100000;

// The real modifiers' masks, in XKB's fixed order (Shift, Lock, Control, Mod1 ... Mod5).
constexpr std::uint32_t kShiftMask = 1u << 0;
constexpr std::uint32_t kControlMask = 1u << 2;
constexpr std::uint32_t kMod1Mask = 1u << 3;  // Alt
constexpr std::uint32_t kMod4Mask = 1u << 6;  // Super

}  // namespace

std::string text() {
  // Modifier keys at their usual places (evdev 42, 29, 56, 125), V (evdev 47) with "V" on its Shift
  // level as on a real keyboard, and Insert (evdev 110).
  return R"(xkb_keymap {
  xkb_keycodes "marbrel" {
    minimum = 8;
    maximum = 255;
    <LFSH> = 50;
    <LCTL> = 37;
    <LALT> = 64;
    <LWIN> = 133;
    <AB04> = 55;
    <INS> = 118;
  };
  xkb_types "marbrel" {
    type "ONE_LEVEL" {
      modifiers = none;
      map[none] = Level1;
      level_name[Level1] = "Any";
    };
    type "TWO_LEVEL" {
      modifiers = Shift;
      map[Shift] = Level2;
      level_name[Level1] = "Base";
      level_name[Level2] = "Shift";
    };
  };
  xkb_compatibility "marbrel" {
    interpret Shift_L { action = SetMods(modifiers = Shift); };
    interpret Control_L { action = SetMods(modifiers = Control); };
    interpret Alt_L { action = SetMods(modifiers = Mod1); };
    interpret Super_L { action = SetMods(modifiers = Mod4); };
  };
  xkb_symbols "marbrel" {
    key <LFSH> { [ Shift_L ] };
    key <LCTL> { [ Control_L ] };
    key <LALT> { [ Alt_L ] };
    key <LWIN> { [ Super_L ] };
    key <AB04> { type = "TWO_LEVEL", [ v, V ] };
    key <INS> { [ Insert ] };
    modifier_map Shift { <LFSH> };
    modifier_map Control { <LCTL> };
    modifier_map Mod1 { <LALT> };
    modifier_map Mod4 { <LWIN> };
  };
};
)";
}

std::optional<std::uint32_t> evdevKeyForXKeyCode(std::uint32_t xKeyCode) {
  if (xKeyCode != kXKeyCodeV && xKeyCode != kXKeyCodeInsert) return std::nullopt;
  return xKeyCode - kEvdevOffset;
}

std::uint32_t modifierMask(std::uint64_t flags) {
  std::uint32_t mask = 0;
  if (flags & kCommandFlag) mask |= kControlMask;
  if (flags & kShiftFlag) mask |= kShiftMask;
  if (flags & kOptionFlag) mask |= kMod1Mask;
  if (flags & kControlFlag) mask |= kMod4Mask;
  return mask;
}

}  // namespace marbrel::paste_keymap
