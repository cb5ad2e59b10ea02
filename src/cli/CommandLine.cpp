#include "cli/CommandLine.h"

#include <algorithm>
#include <ostream>
#include <string>
#include <string_view>

namespace marbrel::cli {

namespace {

// One line per way of running the program: the list of sub-commands that `marbrel help` shows.
void printUsage(std::ostream& stream) {
  stream << "usage: marbrel [ui-testing]\n"
            "       marbrel defaults read [KEY]\n"
            "       marbrel defaults write KEY -bool|-int|-float|-string|-array|-dict VALUE...\n"
            "       marbrel defaults delete KEY\n"
            "       marbrel defaults keys [--json]\n"
            "       marbrel history list [--json]\n"
            "       marbrel history search [--fuzzy] QUERY [--json]\n"
            "       marbrel keymap [--layout LAYOUT[(VARIANT)]]\n"
            "       marbrel doctor [--json]\n"
            "       marbrel help | --help\n"
            "       marbrel version | --version\n";
}

bool isHelp(std::string_view arg) { return arg == "help" || arg == "--help" || arg == "-h"; }
bool isVersion(std::string_view arg) { return arg == "version" || arg == "--version"; }

struct ToolkitOption {
  std::string_view name;
  bool takesValue;
};

// The options Qt's application object reads from the command line (with one dash or two).
constexpr ToolkitOption kToolkitOptions[] = {
    {"platform", true},   {"platformpluginpath", true}, {"platformtheme", true},   {"plugin", true},
    {"qwindowgeometry", true}, {"qwindowicon", true},   {"qwindowtitle", true},    {"reverse", false},
    {"session", true},    {"display", true},            {"geometry", true},        {"style", true},
    {"stylesheet", true}, {"widgetcount", false},       {"qmljsdebugger", true},
};

// The toolkit option `arg` names, if any; `inlineValue` tells whether it carries its value after "=".
const ToolkitOption* toolkitOption(std::string_view arg, bool& inlineValue) {
  if (arg.size() < 2 || arg.front() != '-') return nullptr;
  arg.remove_prefix(arg.starts_with("--") ? 2 : 1);
  const auto equals = arg.find('=');
  inlineValue = equals != std::string_view::npos;
  const std::string_view name = arg.substr(0, equals);
  for (const auto& option : kToolkitOptions) {
    if (option.name == name && (option.takesValue || !inlineValue)) return &option;
  }
  return nullptr;
}

// Why the arguments do not start the desktop program, or empty when they do.
std::string desktopArgumentsProblem(const std::vector<std::string>& args) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "ui-testing") continue;
    bool inlineValue = false;
    const ToolkitOption* option = toolkitOption(args[i], inlineValue);
    if (!option) {
      const bool isOption = args[i].size() > 1 && args[i].front() == '-';
      return (isOption ? "unknown option '" : "unknown command '") + args[i] + "'";
    }
    if (option->takesValue && !inlineValue && ++i == args.size()) {
      return "the option '" + args[i - 1] + "' needs a value";
    }
  }
  return {};
}

}  // namespace

bool startsDesktopProgram(const std::vector<std::string>& args) { return desktopArgumentsProblem(args).empty(); }

DesktopStart desktopStart(const std::vector<std::string>& args) {
  DesktopStart start;
  start.handsOver = args.empty();
  // The same test as the program's own (ProcessArguments): the argument anywhere.
  start.standsAlone = std::find(args.begin(), args.end(), "ui-testing") != args.end();
  for (std::size_t i = 0; i < args.size(); ++i) {
    bool inlineValue = false;
    const ToolkitOption* option = toolkitOption(args[i], inlineValue);
    if (!option || !option->takesValue) continue;
    const std::string value = inlineValue ? args[i].substr(args[i].find('=') + 1) : i + 1 < args.size() ? args[++i] : "";
    if (option->name == "display") start.display = value;
  }
  return start;
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
  if (command == "doctor") {
    // The desktop build answers it before coming here: it probes the display servers.
    err << "marbrel: doctor needs the desktop build of marbrel; this one is the command line alone\n";
    return kExitFailure;
  }
  if ((isHelp(command) || isVersion(command)) && !rest.empty()) {
    err << "marbrel: " << command << " takes no argument '" << rest.front() << "'\n";
    printUsage(err);
    return kExitUsage;
  }
  if (isHelp(command)) {
    printUsage(out);
    out << "\nEach sub-command explains itself with --help; the manual is marbrel(1).\n";
    return kExitOk;
  }
  if (isVersion(command)) {
    out << "marbrel " << MARBREL_VERSION << "\n";
    return kExitOk;
  }
  const std::string problem = desktopArgumentsProblem(args);
  if (problem.empty()) {
    err << "marbrel: this build holds the sub-commands only; the desktop program is not part of it\n";
    return kExitFailure;
  }
  err << "marbrel: " << problem << "\n";
  printUsage(err);
  return kExitUsage;
}

}  // namespace marbrel::cli
