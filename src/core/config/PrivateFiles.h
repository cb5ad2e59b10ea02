#pragma once

#include <filesystem>

namespace marbrel {

// The user's folders for Marbrel's files, from the XDG variables (absolute values only, else the
// home-relative defaults).
std::filesystem::path configHome();
std::filesystem::path dataHome();

// Creates `folder` (and missing parents) if needed; a folder it creates is the user's alone (0700),
// and so is an existing one named "marbrel". Returns false when it does not exist afterwards.
bool ensurePrivateFolder(const std::filesystem::path& folder);

}  // namespace marbrel
