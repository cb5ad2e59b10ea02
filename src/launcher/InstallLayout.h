#pragma once

#include <filesystem>

namespace marbrel {

// Where the `marbrel` command (a small launcher) and the program it starts lie relative to each
// other: <bin>/marbrel and <libexec>/marbrel/marbrel, in the build tree as once installed, wherever
// the installation was moved.

// The program the launcher at `launcher` starts.
std::filesystem::path programBesideLauncher(const std::filesystem::path& launcher);

// The launcher that starts the program at `program`, when it is there to run; else `program` itself
// (a program started on its own, or an older layout).
std::filesystem::path commandStarting(const std::filesystem::path& program);

}  // namespace marbrel
