#pragma once

#include <cstdint>

namespace marbrel {

// Cocoa modifier flags as key events carry them (the device-independent part, above the low 16 bits).
namespace cocoa_flags {
inline constexpr std::uint64_t kCapsLock = 0x10000;
inline constexpr std::uint64_t kShift = 0x20000;
inline constexpr std::uint64_t kControl = 0x40000;
inline constexpr std::uint64_t kOption = 0x80000;
inline constexpr std::uint64_t kCommand = 0x100000;
inline constexpr std::uint64_t kNumericPad = 0x200000;
inline constexpr std::uint64_t kHelp = 0x400000;
inline constexpr std::uint64_t kFunction = 0x800000;
inline constexpr std::uint64_t kDeviceIndependentMask = 0xFFFF0000;
}  // namespace cocoa_flags

// Carbon modifier masks, the form in which shortcuts are stored and registered.
namespace carbon_modifiers {
inline constexpr std::int64_t kCommand = 0x100;
inline constexpr std::int64_t kShift = 0x200;
inline constexpr std::int64_t kOption = 0x800;
inline constexpr std::int64_t kControl = 0x1000;
}  // namespace carbon_modifiers

}  // namespace marbrel
