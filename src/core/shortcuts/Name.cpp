#include "core/shortcuts/Name.h"

#include "core/platform/ModifierFlags.h"

namespace marbrel {

Name Name::popup() {
  constexpr std::int64_t kV = 9;
  return Name{"popup", Shortcut{kV, carbon_modifiers::kCommand | carbon_modifiers::kShift}};
}

}  // namespace marbrel
