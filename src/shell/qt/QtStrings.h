#pragma once

#include "core/platform/Strings.h"

namespace marbrel {

// The string table through Qt's id-based translations (qtTrId): whatever translator the application
// has installed answers, English by default.
class QtStrings : public Strings {
 public:
  std::string localized(std::string_view key) const override;
};

}  // namespace marbrel
