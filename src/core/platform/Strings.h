#pragma once

#include <string>
#include <string_view>

namespace marbrel {

// The program's user-visible texts, looked up by key in the localised string table.
class Strings {
 public:
  virtual ~Strings() = default;

  // The text for `key` ("history_item_tooltip", "clear", ...) in the user's language; the key
  // itself when the table has no text for it, so a missing translation never shows as blank.
  virtual std::string localized(std::string_view key) const = 0;
};

}  // namespace marbrel
