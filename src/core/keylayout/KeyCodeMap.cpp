#include "core/keylayout/KeyCodeMap.h"

#include "core/keylayout/KeyForCharacter.h"
#include "core/keylayout/KeyText.h"

namespace marbrel {

std::optional<KeyCodeMap> KeyCodeMap::build(const KeyboardLayout& layout, const InputSource& source) {
  if (!layout.hasKeyLayoutData(source)) return std::nullopt;
  KeyCodeMap map;
  for (std::uint16_t code = 0; code < kCodeCount; ++code) {
    const auto text = keyText(layout, source, code, 0);
    if (!text) continue;
    const auto key = keyForCharacter(*text, code);
    if (!key) continue;
    map.insert(*key, code);  // a key a lower code already produced stays there
  }
  return map;
}

bool KeyCodeMap::insert(Key key, std::uint16_t keyCode) {
  const auto index = static_cast<std::size_t>(key);
  if (keyCode >= kCodeCount || index >= kKeyCount) return false;
  if (codeForKey_[index] || keyForCode_[keyCode]) return false;
  codeForKey_[index] = keyCode;
  keyForCode_[keyCode] = key;
  ++size_;
  return true;
}

std::optional<Key> KeyCodeMap::keyForKeyCode(std::uint16_t keyCode) const {
  if (keyCode >= kCodeCount) return std::nullopt;
  return keyForCode_[keyCode];
}

std::optional<std::uint16_t> KeyCodeMap::keyCodeForKey(Key key) const {
  const auto index = static_cast<std::size_t>(key);
  if (index >= kKeyCount) return std::nullopt;
  return codeForKey_[index];
}

}  // namespace marbrel
