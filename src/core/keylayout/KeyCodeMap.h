#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

#include "core/keylayout/Key.h"
#include "core/platform/KeyboardLayout.h"

namespace marbrel {

// Which key each code from 0 to 127 stands for under one input source, built from the texts its
// layout produces without modifiers. Each key sits at the lowest code that produces it, so a code
// maps to at most one key and a key to at most one code.
class KeyCodeMap {
 public:
  // The highest code asked of a layout, plus one.
  static constexpr std::uint16_t kCodeCount = 128;

  // Reads the source's texts for codes 0 to 127; nothing when the source has no layout data.
  static std::optional<KeyCodeMap> build(const KeyboardLayout& layout, const InputSource& source);

  // Puts `key` at `keyCode` unless the map already holds the key or the code, or the code is out of
  // range. Returns whether it was put.
  bool insert(Key key, std::uint16_t keyCode);

  std::optional<Key> keyForKeyCode(std::uint16_t keyCode) const;
  std::optional<std::uint16_t> keyCodeForKey(Key key) const;
  std::size_t size() const { return size_; }

  friend bool operator==(const KeyCodeMap& lhs, const KeyCodeMap& rhs) {
    return lhs.codeForKey_ == rhs.codeForKey_;
  }

 private:
  std::array<std::optional<std::uint16_t>, kKeyCount> codeForKey_{};
  std::array<std::optional<Key>, kCodeCount> keyForCode_{};
  std::size_t size_ = 0;
};

}  // namespace marbrel
