#include "core/config/ProcessArguments.h"

#include <algorithm>

namespace marbrel {

ProcessArguments::ProcessArguments(int argc, const char* const* argv) {
  for (int i = 0; i < argc; ++i) arguments_.emplace_back(argv[i]);
}

bool ProcessArguments::contains(std::string_view argument) const {
  return std::find(arguments_.begin(), arguments_.end(), argument) != arguments_.end();
}

}  // namespace marbrel
