#include "core/config/PrivateFiles.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <system_error>

namespace marbrel {

namespace {

namespace fs = std::filesystem;

fs::path home() {
  if (const char* value = std::getenv("HOME"); value && *value) return value;
  if (const passwd* entry = ::getpwuid(::getuid()); entry && entry->pw_dir) return entry->pw_dir;
  return "/tmp";
}

fs::path xdg(const char* variable, const char* fallback) {
  if (const char* value = std::getenv(variable); value && *value && value[0] == '/') return value;
  return home() / fallback;
}

}  // namespace

fs::path configHome() { return xdg("XDG_CONFIG_HOME", ".config"); }

fs::path dataHome() { return xdg("XDG_DATA_HOME", ".local/share"); }

bool ensurePrivateFolder(const fs::path& folder) {
  std::error_code error;
  if (!fs::exists(folder, error)) {
    if (!folder.parent_path().empty() && folder.parent_path() != folder) {
      fs::create_directories(folder.parent_path(), error);
    }
    if (::mkdir(folder.c_str(), 0700) != 0 && !fs::is_directory(folder, error)) return false;
    ::chmod(folder.c_str(), 0700);
    return true;
  }
  if (!fs::is_directory(folder, error)) return false;
  if (folder.filename() == "marbrel") ::chmod(folder.c_str(), 0700);
  return true;
}

}  // namespace marbrel
