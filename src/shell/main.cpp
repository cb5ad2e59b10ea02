#include <iostream>
#include <string>
#include <vector>

#include "cli/CommandLine.h"
#include "shell/DesktopProgram.h"

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (marbrel::cli::isCommandLine(args)) return marbrel::cli::runCommandLine(args, std::cout, std::cerr);
  if (args.size() == 1 && args.front() == "--gui-available") return 0;
  return marbrel::runDesktopProgram(argc, argv);
}
