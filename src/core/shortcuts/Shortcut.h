#pragma once

#include <compare>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace marbrel {

// A global keyboard shortcut: a virtual key code (V is 9) and a Carbon modifier mask.
struct Shortcut {
  std::int64_t carbonKeyCode = 0;
  std::int64_t carbonModifiers = 0;

  // From a key event: the key code as is, the Cocoa flags converted to the Carbon mask (flags other
  // than Control, Option, Shift and Command are dropped).
  static Shortcut fromEvent(std::int64_t keyCode, std::uint64_t cocoaFlags);

  static std::int64_t carbonFromCocoa(std::uint64_t cocoaFlags);
  static std::uint64_t cocoaFromCarbon(std::int64_t carbonModifiers);

  // The modifiers as Cocoa flags, to compare with a key event.
  std::uint64_t cocoaModifiers() const { return cocoaFromCarbon(carbonModifiers); }

  // The stored form: compact JSON, {"carbonKeyCode":9,"carbonModifiers":768}.
  std::string toJson() const;
  // Reads the stored form (members in any order, others ignored); nothing when the text is not a
  // JSON object with both members as 64-bit integers.
  static std::optional<Shortcut> fromJson(std::string_view text);

  auto operator<=>(const Shortcut&) const = default;
};

}  // namespace marbrel
