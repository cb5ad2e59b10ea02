#include <cstdio>
#include <cstdlib>

#include "FuzzTarget.h"

namespace marbrel::fuzz {

void require(bool condition, const char* what) {
  if (condition) return;
  std::fprintf(stderr, "invariant broken: %s\n", what);
  std::abort();
}

}  // namespace marbrel::fuzz
