#include "core/shortcuts/Shortcut.h"

#include <limits>

#include <nlohmann/json.hpp>

#include "core/platform/ModifierFlags.h"

namespace marbrel {
namespace {

struct ModifierPair {
  std::uint64_t cocoa;
  std::int64_t carbon;
};

constexpr ModifierPair kModifierPairs[] = {
    {cocoa_flags::kControl, carbon_modifiers::kControl},
    {cocoa_flags::kOption, carbon_modifiers::kOption},
    {cocoa_flags::kShift, carbon_modifiers::kShift},
    {cocoa_flags::kCommand, carbon_modifiers::kCommand},
};

std::optional<std::int64_t> integerMember(const nlohmann::json& object, const char* name) {
  const auto it = object.find(name);
  if (it == object.end()) return std::nullopt;
  if (it->is_number_unsigned()) {
    const auto value = it->get<std::uint64_t>();
    if (value > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) return std::nullopt;
    return static_cast<std::int64_t>(value);
  }
  if (it->is_number_integer()) return it->get<std::int64_t>();
  return std::nullopt;
}

}  // namespace

Shortcut Shortcut::fromEvent(std::int64_t keyCode, std::uint64_t cocoaFlags) {
  return Shortcut{keyCode, carbonFromCocoa(cocoaFlags)};
}

std::int64_t Shortcut::carbonFromCocoa(std::uint64_t cocoaFlags) {
  std::int64_t carbon = 0;
  for (const auto& pair : kModifierPairs) {
    if (cocoaFlags & pair.cocoa) carbon |= pair.carbon;
  }
  return carbon;
}

std::uint64_t Shortcut::cocoaFromCarbon(std::int64_t carbonModifiers) {
  std::uint64_t cocoa = 0;
  for (const auto& pair : kModifierPairs) {
    if (carbonModifiers & pair.carbon) cocoa |= pair.cocoa;
  }
  return cocoa;
}

std::string Shortcut::toJson() const {
  // nlohmann keeps object members sorted by name, which is the stored order.
  const nlohmann::json object = {{"carbonKeyCode", carbonKeyCode}, {"carbonModifiers", carbonModifiers}};
  return object.dump();
}

std::optional<Shortcut> Shortcut::fromJson(std::string_view text) {
  const auto object = nlohmann::json::parse(text, nullptr, /*allow_exceptions=*/false);
  if (!object.is_object()) return std::nullopt;
  const auto keyCode = integerMember(object, "carbonKeyCode");
  const auto modifiers = integerMember(object, "carbonModifiers");
  if (!keyCode || !modifiers) return std::nullopt;
  return Shortcut{*keyCode, *modifiers};
}

}  // namespace marbrel
