#pragma once

#include <map>
#include <string>

#include "core/platform/Strings.h"

namespace marbrel {

// A string table for tests: returns the key itself unless set() gave it a text.
class FakeStrings : public Strings {
 public:
  std::string localized(std::string_view key) const override {
    const auto it = texts_.find(key);
    return it == texts_.end() ? std::string(key) : it->second;
  }
  void set(const std::string& key, const std::string& text) { texts_[key] = text; }

 private:
  std::map<std::string, std::string, std::less<>> texts_;
};

}  // namespace marbrel
