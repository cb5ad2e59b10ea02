#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace marbrel::cli {

// Exit codes of the `marbrel` sub-commands.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;

// Whether the arguments (without the program name) start the desktop program: none at all, or only
// "ui-testing" and the toolkit's own options (a session manager restarts programs with
// `-session ID`). Anything else is for runCommandLine, which runs a sub-command or explains the
// mistake.
bool startsDesktopProgram(const std::vector<std::string>& args);

// How a start of the desktop program with these arguments (ones startsDesktopProgram accepts)
// meets a program already running for the user.
struct DesktopStart {
  // A bare start asks the program running on its display to open the menu, and leaves; a start
  // with arguments (a session manager's restore, "-display", "ui-testing") runs as itself.
  bool handsOver = false;
  // "ui-testing" keeps a history of its own in memory: it takes neither the display's lock and
  // socket nor the history's lock, so it runs beside the program and never answers for it.
  bool standsAlone = false;
  // The display that "-display" names, else empty ($DISPLAY applies).
  std::string display;
};
DesktopStart desktopStart(const std::vector<std::string>& args);

// Runs `marbrel ARGS...` for a sub-command; prints results to `out` and problems to `err`.
int runCommandLine(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// The sub-commands; `args` starts after the sub-command's own name.
int runDefaultsCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int runHistoryCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int runKeymapCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace marbrel::cli
