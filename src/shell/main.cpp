#include <iostream>
#include <string>
#include <vector>

#include "cli/CommandLine.h"
#include "shell/DesktopProgram.h"
#include "shell/doctor/DesktopProbe.h"

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  // The doctor probes the desktop (Wayland, X11, the session bus): it lives with the desktop program.
  if (!args.empty() && args.front() == "doctor") {
    return marbrel::runDoctor(argc, argv, std::vector<std::string>(args.begin() + 1, args.end()));
  }
  // Tells scripts that this build holds the desktop program (a build without it rejects the option).
  if (args.size() == 1 && args.front() == "--gui-available") return 0;
  if (!marbrel::cli::startsDesktopProgram(args)) return marbrel::cli::runCommandLine(args, std::cout, std::cerr);
  return marbrel::runDesktopProgram(argc, argv);
}
