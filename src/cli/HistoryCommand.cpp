#include <ostream>

#include "cli/CommandLine.h"

namespace marbrel::cli {

// Placeholder until the command is built.
int runHistoryCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  err << "marbrel: 'history' is not available yet\n";
  return kExitFailure;
}

}  // namespace marbrel::cli
