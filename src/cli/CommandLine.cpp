#include "cli/CommandLine.h"

#include <ostream>

namespace marbrel::cli {

namespace {

void printUsage(std::ostream& err) {
  err << "usage: marbrel [ui-testing]\n"
         "       marbrel defaults read [KEY]\n"
         "       marbrel defaults write KEY -bool|-int|-float|-string|-array VALUE...\n"
         "       marbrel defaults delete KEY\n"
         "       marbrel history list [--json]\n"
         "       marbrel history search [--fuzzy] QUERY [--json]\n"
         "       marbrel keymap [--layout LAYOUT[(VARIANT)]]\n";
}

}  // namespace

bool isCommandLine(const std::vector<std::string>& args) {
  if (args.empty()) return false;
  const std::string& first = args.front();
  return first == "defaults" || first == "history" || first == "keymap" || first == "help" ||
         first == "--help" || first == "-h";
}

int runCommandLine(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (args.empty()) {
    printUsage(err);
    return kExitUsage;
  }
  const std::string& command = args.front();
  const std::vector<std::string> rest(args.begin() + 1, args.end());
  if (command == "defaults") return runDefaultsCommand(rest, out, err);
  if (command == "history") return runHistoryCommand(rest, out, err);
  if (command == "keymap") return runKeymapCommand(rest, out, err);
  if (command == "help" || command == "--help" || command == "-h") {
    printUsage(out);
    return kExitOk;
  }
  err << "marbrel: unknown command '" << command << "'\n";
  printUsage(err);
  return kExitUsage;
}

}  // namespace marbrel::cli
