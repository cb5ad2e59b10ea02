#include "FuzzTarget.h"
#include "core/keylayout/Key.h"
#include "core/keylayout/KeyForCharacter.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using marbrel::fuzz::require;
  if (size < 1) return 0;
  const std::uint16_t keyCode = data[0];
  const std::string_view text = marbrel::fuzz::asText(data + 1, size - 1);
  if (const auto key = marbrel::keyFromRawValue(text)) {
    require(marbrel::rawValue(*key) == text, "a key's raw value names it");
  }
  (void)marbrel::keyForCharacter(text, keyCode);
  return 0;
}
