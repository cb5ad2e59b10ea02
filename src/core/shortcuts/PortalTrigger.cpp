#include "core/shortcuts/PortalTrigger.h"

#include <array>
#include <cctype>
#include <utility>
#include <vector>

#include "core/platform/ModifierFlags.h"

namespace marbrel::portal_trigger {
namespace {

struct FixedKey {
  std::int64_t keyCode;
  std::string_view name;
};

// Keys that type no character, by virtual key code, with their XKB keysym names.
constexpr std::array<FixedKey, 48> kFixedKeys{{
    {36, "Return"},    {48, "Tab"},       {49, "space"},     {51, "BackSpace"}, {53, "Escape"},
    {117, "Delete"},   {114, "Help"},     {115, "Home"},     {119, "End"},      {116, "Prior"},
    {121, "Next"},     {123, "Left"},     {124, "Right"},    {125, "Down"},     {126, "Up"},
    {76, "KP_Enter"},  {71, "Clear"},     {122, "F1"},       {120, "F2"},       {99, "F3"},
    {118, "F4"},       {96, "F5"},        {97, "F6"},        {98, "F7"},        {100, "F8"},
    {101, "F9"},       {109, "F10"},      {103, "F11"},      {111, "F12"},      {105, "F13"},
    {107, "F14"},      {113, "F15"},      {106, "F16"},      {64, "F17"},       {79, "F18"},
    {80, "F19"},       {90, "F20"},       {82, "KP_0"},      {83, "KP_1"},      {84, "KP_2"},
    {85, "KP_3"},      {86, "KP_4"},      {87, "KP_5"},      {88, "KP_6"},      {89, "KP_7"},
    {91, "KP_8"},      {92, "KP_9"},      {65, "KP_Decimal"},
}};

struct Modifier {
  std::int64_t carbon;
  std::string_view name;  // as written in a trigger
};

constexpr std::array<Modifier, 4> kWritten{{
    {carbon_modifiers::kCommand, "CTRL"},
    {carbon_modifiers::kOption, "ALT"},
    {carbon_modifiers::kShift, "SHIFT"},
    {carbon_modifiers::kControl, "LOGO"},
}};

// Every name a desktop may use for a modifier, lower-cased.
constexpr std::array<std::pair<std::string_view, std::int64_t>, 11> kRead{{
    {"ctrl", carbon_modifiers::kCommand},
    {"control", carbon_modifiers::kCommand},
    {"primary", carbon_modifiers::kCommand},
    {"alt", carbon_modifiers::kOption},
    {"mod1", carbon_modifiers::kOption},
    {"shift", carbon_modifiers::kShift},
    {"logo", carbon_modifiers::kControl},
    {"super", carbon_modifiers::kControl},
    {"meta", carbon_modifiers::kControl},
    {"mod4", carbon_modifiers::kControl},
    {"win", carbon_modifiers::kControl},
}};

std::string lowerCased(std::string_view text) {
  std::string result(text);
  for (char& c : result) c = char(std::tolower(static_cast<unsigned char>(c)));
  return result;
}

std::string_view trimmed(std::string_view text) {
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) text.remove_prefix(1);
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.remove_suffix(1);
  return text;
}

std::optional<std::int64_t> modifierNamed(std::string_view name) {
  const std::string lower = lowerCased(trimmed(name));
  for (const auto& [text, carbon] : kRead) {
    if (lower == text) return carbon;
  }
  return std::nullopt;
}

}  // namespace

std::optional<std::string> fixedKeyName(std::int64_t keyCode) {
  for (const auto& key : kFixedKeys) {
    if (key.keyCode == keyCode) return std::string(key.name);
  }
  return std::nullopt;
}

std::string text(const Shortcut& shortcut, std::string_view keyName) {
  std::string result;
  for (const auto& modifier : kWritten) {
    if (shortcut.carbonModifiers & modifier.carbon) {
      result += modifier.name;
      result += '+';
    }
  }
  return result + std::string(keyName);
}

std::optional<Trigger> parse(std::string_view description) {
  std::string_view rest = trimmed(description);
  Trigger trigger;
  // GTK's accelerator form: "<Control><Shift>v".
  while (!rest.empty() && rest.front() == '<') {
    const auto close = rest.find('>');
    if (close == std::string_view::npos) return std::nullopt;
    const auto modifier = modifierNamed(rest.substr(1, close - 1));
    if (!modifier) return std::nullopt;
    trigger.carbonModifiers |= *modifier;
    rest.remove_prefix(close + 1);
  }
  // The "+" form; the key itself may be "+" ("CTRL++"), so the last part is the key whatever it is.
  std::vector<std::string_view> parts;
  while (true) {
    const auto plus = rest.find('+', 1);
    if (plus == std::string_view::npos) break;
    parts.push_back(rest.substr(0, plus));
    rest.remove_prefix(plus + 1);
  }
  for (const auto part : parts) {
    const auto modifier = modifierNamed(part);
    if (!modifier) return std::nullopt;
    trigger.carbonModifiers |= *modifier;
  }
  const std::string_view key = trimmed(rest);
  if (key.empty() || key.find_first_of(" <>") != std::string_view::npos || modifierNamed(key)) return std::nullopt;
  trigger.keyName = lowerCased(key);
  return trigger;
}

bool sameCombination(std::string_view asked, std::string_view reported) {
  const auto a = parse(asked);
  const auto b = parse(reported);
  return a && b && *a == *b;
}

}  // namespace marbrel::portal_trigger
