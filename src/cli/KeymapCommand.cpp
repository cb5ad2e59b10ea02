#include <cstdint>
#include <cstdlib>
#include <optional>
#include <ostream>
#include <string>

#include "cli/CommandLine.h"
#include "core/keylayout/Key.h"
#include "core/keylayout/Sauce.h"
#include "core/platform/NotificationCenter.h"
#include "xkb/XkbKeyboardLayout.h"
#include "xkb/XkbRuleNames.h"

namespace marbrel::cli {

namespace {

constexpr std::uint16_t kLastKeyCode = 127;

void printKeymapUsage(std::ostream& stream) {
  stream << "usage: marbrel keymap [--layout LAYOUT[(VARIANT)]]\n"
            "\n"
            "Prints the key each key code from 0 to 127 stands for under an XKB keyboard layout, one\n"
            "per line as \"CODE KEY\" (for example \"16 z\" under de); codes without a key are left out.\n"
            "Key codes are those of a Mac ANSI keyboard (V is 9), matched to PC keys by position.\n"
            "\n"
            "  --layout LAYOUT[(VARIANT)]  the layout to use, e.g. de, fr, us(dvorak), or a list such\n"
            "                              as us,ru whose first layout is used\n"
            "\n"
            "Without --layout the layout comes from XKB_DEFAULT_LAYOUT (and XKB_DEFAULT_VARIANT), or\n"
            "is \"us\" when that is unset: this command does not read the display's current layout.\n";
}

std::string environment(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

// The layout named on the command line, else the one XKB's own variables name, else "us".
std::optional<XkbRuleNames> chosenLayout(const std::optional<std::string>& layoutArgument,
                                         std::ostream& err) {
  const bool fromEnvironment = !layoutArgument && !environment("XKB_DEFAULT_LAYOUT").empty();
  const std::string text = layoutArgument     ? *layoutArgument
                           : fromEnvironment ? environment("XKB_DEFAULT_LAYOUT")
                                             : std::string("us");
  auto names = XkbRuleNames::fromLayoutText(text);
  if (!names) {
    err << "marbrel keymap: '" << text << "'" << (fromEnvironment ? " (from XKB_DEFAULT_LAYOUT)" : "")
        << " is not a layout name of the form LAYOUT or LAYOUT(VARIANT)\n";
    return std::nullopt;
  }
  if (fromEnvironment && names->variant.empty()) names->variant = environment("XKB_DEFAULT_VARIANT");
  return names;
}

}  // namespace

int runKeymapCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  std::optional<std::string> layoutArgument;
  for (std::size_t index = 0; index < args.size(); ++index) {
    const std::string& arg = args[index];
    if (arg == "--help" || arg == "-h") {
      printKeymapUsage(out);
      return kExitOk;
    }
    if (arg == "--layout" && index + 1 < args.size() && !layoutArgument) {
      layoutArgument = args[++index];
    } else if (arg.rfind("--layout=", 0) == 0 && !layoutArgument) {
      layoutArgument = arg.substr(std::string("--layout=").size());
    } else {
      err << "marbrel keymap: "
          << (arg == "--layout" || arg.rfind("--layout=", 0) == 0
                  ? (layoutArgument ? "--layout given twice" : "--layout needs a layout name")
                  : "unexpected argument '" + arg + "'")
          << "\n";
      printKeymapUsage(err);
      return kExitUsage;
    }
  }

  const auto names = chosenLayout(layoutArgument, err);
  if (!names) return kExitUsage;
  std::string error;
  const auto layout = XkbKeyboardLayout::fromNames(*names, &error);
  if (!layout) {
    err << "marbrel keymap: " << error << "\n";
    return kExitUsage;
  }

  NotificationCenter notifications;
  const Sauce sauce(*layout, notifications);
  for (std::uint16_t code = 0; code <= kLastKeyCode; ++code) {
    if (const auto key = sauce.keyForKeyCode(code)) out << code << ' ' << rawValue(*key) << '\n';
  }
  return kExitOk;
}

}  // namespace marbrel::cli
