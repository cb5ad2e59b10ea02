#pragma once

#include <map>
#include <string>

#include "core/platform/Strings.h"

namespace marbrel {

// A string table for tests: returns the key itself unless a text was set for it.
class FakeStrings : public Strings {
 public:
  std::string localized(std::string_view key) const override;

  // Test control: the text that `key` looks up from now on.
  void set(const std::string& key, const std::string& text) { texts_[key] = text; }

 private:
  std::map<std::string, std::string, std::less<>> texts_;
};

}  // namespace marbrel
