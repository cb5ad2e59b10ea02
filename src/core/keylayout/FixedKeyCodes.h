#pragma once

#include <cstdint>
#include <optional>

#include "core/keylayout/Key.h"

namespace marbrel {

// The key at each virtual key code of a US (ANSI) keyboard, answering whenever the current layout
// has nothing to say about a code.

// The key the US layout gives `keyCode`, or nothing for codes it leaves out (52, 54-63, above 126...).
std::optional<Key> fixedKeyForKeyCode(std::uint16_t keyCode);

// The lowest code the US layout gives `key`, or nothing (atSign, caret and colon have none).
std::optional<std::uint16_t> fixedKeyCodeForKey(Key key);

}  // namespace marbrel
