#include "launcher/InstallLayout.h"

#include <unistd.h>

namespace marbrel {

std::filesystem::path programBesideLauncher(const std::filesystem::path& launcher) {
  return (launcher.parent_path() / MARBREL_PROGRAM_FROM_LAUNCHER).lexically_normal();
}

std::filesystem::path commandStarting(const std::filesystem::path& program) {
  if (program.empty()) return program;
  const std::filesystem::path launcher = (program.parent_path() / MARBREL_LAUNCHER_FROM_PROGRAM).lexically_normal();
  std::error_code error;
  const bool runs = std::filesystem::is_regular_file(launcher, error) && ::access(launcher.c_str(), X_OK) == 0;
  return runs ? launcher : program;
}

}  // namespace marbrel
