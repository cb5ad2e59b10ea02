#include "core/shortcuts/ShortcutText.h"

#include <array>
#include <limits>
#include <string_view>
#include <utility>

#include <unicode/locid.h>
#include <unicode/unistr.h>

#include "core/platform/KeyboardLayout.h"
#include "core/platform/ModifierFlags.h"

namespace marbrel {
namespace {

struct FixedKey {
  std::int64_t keyCode;
  std::string_view text;
};

// Keys whose text never comes from the layout: special keys, then F1 to F20 in order.
constexpr std::array<FixedKey, 35> kFixedKeys{{
    {36, "\u21A9"},    // return
    {51, "\u232B"},    // delete (backspace)
    {117, "\u2326"},   // forward delete
    {119, "\u2198"},   // end
    {53, "\u238B"},    // escape
    {114, "?\u20DD"},  // help
    {115, "\u2196"},   // home
    {49, "\u23B5"},    // space
    {48, "\u21E5"},    // tab
    {116, "\u21DE"},   // page up
    {121, "\u21DF"},   // page down
    {126, "\u2191"},   // up arrow
    {124, "\u2192"},   // right arrow
    {125, "\u2193"},   // down arrow
    {123, "\u2190"},   // left arrow
    {122, "F1"},  {120, "F2"},  {99, "F3"},   {118, "F4"},  {96, "F5"},
    {97, "F6"},   {98, "F7"},   {100, "F8"},  {101, "F9"},  {109, "F10"},
    {103, "F11"}, {111, "F12"}, {105, "F13"}, {107, "F14"}, {113, "F15"},
    {106, "F16"}, {64, "F17"},  {79, "F18"},  {80, "F19"},  {90, "F20"},
}};
constexpr std::size_t kFirstFunctionKey = 15;

std::string upperCased(const std::string& text) {
  std::string result;
  icu::UnicodeString::fromUTF8(text).toUpper(icu::Locale::getRoot()).toUTF8String(result);
  return result;
}

}  // namespace

std::optional<std::string> ShortcutText::fixedKeyText(std::int64_t keyCode) {
  for (const auto& key : kFixedKeys) {
    if (key.keyCode == keyCode) return std::string(key.text);
  }
  return std::nullopt;
}

bool ShortcutText::isFunctionKey(std::int64_t keyCode) {
  for (std::size_t i = kFirstFunctionKey; i < kFixedKeys.size(); ++i) {
    if (kFixedKeys[i].keyCode == keyCode) return true;
  }
  return false;
}

KeyCharacterLookup ShortcutText::asciiCapableCharacters(const KeyboardLayout& layout) {
  return [&layout](std::int64_t keyCode) -> std::optional<std::string> {
    if (keyCode < 0 || keyCode > std::numeric_limits<std::uint16_t>::max()) return std::nullopt;
    const auto source = layout.currentASCIICapableInputSource();
    if (!source) return std::nullopt;
    return layout.textForKeyCode(*source, static_cast<std::uint16_t>(keyCode), LevelModifiers{});
  };
}

std::optional<std::string> ShortcutText::keyCharacter(std::int64_t keyCode) const {
  if (auto fixed = fixedKeyText(keyCode)) return fixed;
  if (!lookup_) return std::nullopt;
  auto character = lookup_(keyCode);
  // An empty translation is no character: it would otherwise match every menu item that has no key
  // equivalent and show a shortcut without its key.
  if (!character || character->empty()) return std::nullopt;
  return character;
}

std::string ShortcutText::text(const Shortcut& shortcut) const {
  static constexpr std::pair<std::int64_t, std::string_view> kSymbols[] = {
      {carbon_modifiers::kControl, "\u2303"},
      {carbon_modifiers::kOption, "\u2325"},
      {carbon_modifiers::kShift, "\u21E7"},
      {carbon_modifiers::kCommand, "\u2318"},
  };
  std::string result;
  for (const auto& [mask, symbol] : kSymbols) {
    if (shortcut.carbonModifiers & mask) result += symbol;
  }
  const auto character = keyCharacter(shortcut.carbonKeyCode);
  result += character ? upperCased(*character) : std::string("\uFFFD");
  return result;
}

}  // namespace marbrel
