#include "fakes/FakeStrings.h"

namespace marbrel {

std::string FakeStrings::localized(std::string_view key) const {
  const auto it = texts_.find(key);
  return it == texts_.end() ? std::string(key) : it->second;
}

}  // namespace marbrel
