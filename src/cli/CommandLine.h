#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace marbrel::cli {

// Exit codes of the `marbrel` sub-commands.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;

// Whether the arguments (without the program name) name one of the sub-commands below, so the
// program runs them instead of starting the desktop program.
bool isCommandLine(const std::vector<std::string>& args);

// Runs `marbrel ARGS...` for a sub-command; prints results to `out` and problems to `err`.
int runCommandLine(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// The sub-commands; `args` starts after the sub-command's own name.
int runDefaultsCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int runHistoryCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int runKeymapCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace marbrel::cli
