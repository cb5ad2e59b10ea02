#pragma once

#include <filesystem>
#include <string>

namespace marbrel::testing {

// The file's bytes, or "" when it cannot be read.
std::string readFile(const std::filesystem::path& path);
// Writes `bytes` as the whole file, making its missing folders first.
void writeFile(const std::filesystem::path& path, const std::string& bytes);
// The permission bits of a file or folder (0 when it does not exist).
unsigned modeOf(const std::filesystem::path& path);

}  // namespace marbrel::testing
