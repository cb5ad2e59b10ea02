#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace marbrel {

// What the desktop answered when Marbrel asked, through the RemoteDesktop portal, to type the paste
// key: the token that restores the permission without asking again, or the user's refusal. Kept in
// its own file in the settings folder, readable by the user alone (0600), since the token stands
// for a permission.
struct RemoteDesktopGrant {
  std::optional<std::string> restoreToken;
  bool refused = false;

  // $XDG_CONFIG_HOME/marbrel/remote-desktop.json
  static std::filesystem::path standardFile();

  // The stored answer; an empty one when the file is missing or cannot be read.
  static RemoteDesktopGrant read(const std::filesystem::path& file);

  // Replaces the file as a whole (a temporary file renamed over it), creating the folder privately.
  // Returns false when it could not be written.
  bool write(const std::filesystem::path& file) const;

  bool operator==(const RemoteDesktopGrant&) const = default;
};

}  // namespace marbrel
