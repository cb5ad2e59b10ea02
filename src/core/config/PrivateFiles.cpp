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
    // Every folder made here, parents included (a missing ~/.config or ~/.local/share), is the
    // user's alone, as the XDG base directories expect.
    fs::path partial;
    for (const auto& part : folder) {
      partial /= part;
      if (fs::exists(partial, error)) continue;
      if (::mkdir(partial.c_str(), 0700) != 0 && !fs::is_directory(partial, error)) return false;
      ::chmod(partial.c_str(), 0700);
    }
    return fs::is_directory(folder, error);
  }
  if (!fs::is_directory(folder, error)) return false;
  if (folder.filename() == "marbrel") ::chmod(folder.c_str(), 0700);
  return true;
}

}  // namespace marbrel
