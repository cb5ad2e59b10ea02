#include "FuzzTarget.h"
#include "core/menu/RowText.h"

#include <unicode/utf8.h>

namespace {

bool isUtf8(std::string_view text) {
  const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
  const auto length = static_cast<int32_t>(text.size());
  for (int32_t i = 0; i < length;) {
    UChar32 c;
    U8_NEXT(bytes, i, length, c);
    if (c < 0) return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using marbrel::fuzz::require;
  const std::string_view text = marbrel::fuzz::asText(data, size);
  const std::string title = marbrel::row_text::fileTitle(text, 50, "{name} + {count} more");
  const std::string plain = marbrel::row_text::textTitle(text, 50);
  const std::string shortened = marbrel::row_text::shortened(text, 10);
  if (isUtf8(text)) {
    require(isUtf8(plain), "a text title of UTF-8 is UTF-8");
    require(isUtf8(shortened), "shortening UTF-8 never splits a character");
  }
  (void)title;
  return 0;
}
