#include "FuzzTarget.h"
#include "core/shortcuts/Shortcut.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using marbrel::fuzz::require;
  const auto shortcut = marbrel::Shortcut::fromJson(marbrel::fuzz::asText(data, size));
  if (shortcut) {
    const auto again = marbrel::Shortcut::fromJson(shortcut->toJson());
    require(again && *again == *shortcut, "a stored shortcut reads back as itself");
  }
  return 0;
}
