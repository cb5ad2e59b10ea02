#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <ostream>

#include "cli/CommandLine.h"
#include "cli/Settings.h"
#include "core/config/Configuration.h"
#include "core/config/Defaults.h"
#include "core/config/PasteKeys.h"

namespace marbrel::cli {

namespace {

void usage(std::ostream& stream) {
  stream << "usage: marbrel defaults read [KEY]\n"
            "       marbrel defaults write KEY -bool|-int|-float|-string|-array|-dict VALUE...\n"
            "       marbrel defaults delete KEY\n"
            "       marbrel defaults keys [--json]\n";
}

int usageError(std::ostream& err, const std::string& problem) {
  err << "marbrel defaults: " << problem << "\n";
  usage(err);
  return kExitUsage;
}

std::optional<bool> parseBool(const std::string& text) {
  if (text == "true" || text == "yes" || text == "YES" || text == "TRUE" || text == "1") return true;
  if (text == "false" || text == "no" || text == "NO" || text == "FALSE" || text == "0") return false;
  return std::nullopt;
}

std::optional<std::int64_t> parseInt(const std::string& text) {
  if (text.empty()) return std::nullopt;
  errno = 0;
  char* end = nullptr;
  const long long value = std::strtoll(text.c_str(), &end, 10);
  if (errno == ERANGE || *end != '\0') return std::nullopt;
  return value;
}

std::optional<double> parseFloat(const std::string& text) {
  if (text.empty()) return std::nullopt;
  errno = 0;
  char* end = nullptr;
  const double value = std::strtod(text.c_str(), &end);
  if (errno == ERANGE || *end != '\0' || value != value) return std::nullopt;
  return value;
}

// The value of `defaults write KEY TYPE VALUE...`, or nothing when the arguments do not make one.
std::optional<Defaults::Value> parseValue(const std::string& type, const std::vector<std::string>& values,
                                          std::string& problem) {
  if (type == "-array") return Defaults::Value(values);
  if (type == "-dict") {
    // Names and values in turn, as texts: an object of texts.
    if (values.size() % 2 != 0) {
      problem = "-dict takes pairs of a name and a value; '" + values.back() + "' has no value";
      return std::nullopt;
    }
    Defaults::Value object = Defaults::Value::object();
    for (std::size_t i = 0; i < values.size(); i += 2) object[values[i]] = values[i + 1];
    return object;
  }
  if (values.size() != 1) {
    problem = type + " takes exactly one value";
    return std::nullopt;
  }
  const std::string& text = values.front();
  if (type == "-string") return Defaults::Value(text);
  if (type == "-bool") {
    if (auto value = parseBool(text)) return Defaults::Value(*value);
    problem = "'" + text + "' is not a boolean (true or false)";
  } else if (type == "-int") {
    if (auto value = parseInt(text)) return Defaults::Value(*value);
    problem = "'" + text + "' is not an integer";
  } else if (type == "-float") {
    if (auto value = parseFloat(text)) return Defaults::Value(*value);
    problem = "'" + text + "' is not a number";
  } else {
    problem = "unknown value type '" + type + "'";
  }
  return std::nullopt;
}

void printValue(std::ostream& out, const Defaults::Value& value) {
  if (value.is_string()) {
    out << value.get<std::string>() << "\n";
  } else {
    out << value.dump(2) << "\n";
  }
}

std::string defaultText(const Defaults::Value& value) {
  return value.is_string() ? value.get<std::string>() : value.dump();
}

// What is wrong with `value` for a setting whose values the program checks; empty when it is fine.
std::string problemWith(const std::string& key, const Defaults::Value& value) {
  if (key == Configuration::Keys::pasteKeys) return paste_keys::problemWith(value);
  return "";
}

// Every setting the program reads: key, type, default and meaning, in columns or as JSON.
void printSettings(std::ostream& out, bool json) {
  if (json) {
    Defaults::Value array = Defaults::Value::array();
    for (const Setting& setting : settings()) {
      array.push_back({{"key", setting.key},
                       {"type", setting.type},
                       {"default", setting.defaultValue},
                       {"values", setting.values},
                       {"meaning", setting.meaning}});
    }
    out << array.dump(2) << "\n";
    return;
  }
  std::size_t keyWidth = 0, defaultWidth = 0;
  for (const Setting& setting : settings()) {
    keyWidth = std::max(keyWidth, setting.key.size());
    defaultWidth = std::max(defaultWidth, defaultText(setting.defaultValue).size());
  }
  for (const Setting& setting : settings()) {
    const std::string value = defaultText(setting.defaultValue);
    out << setting.key << std::string(keyWidth + 2 - setting.key.size(), ' ') << setting.type
        << std::string(8 - setting.type.size(), ' ') << value << std::string(defaultWidth + 2 - value.size(), ' ')
        << setting.meaning;
    for (std::size_t i = 0; i < setting.values.size(); ++i) {
      out << (i == 0 ? " (" : i + 1 == setting.values.size() ? " or " : ", ") << setting.values[i];
    }
    out << (setting.values.empty() ? "\n" : ")\n");
  }
}

}  // namespace

int runDefaultsCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (args.empty()) return usageError(err, "missing action");
  const std::string& action = args[0];
  if (args.size() == 1 && (action == "--help" || action == "-h" || action == "help")) {
    usage(out);
    return kExitOk;
  }
  if (action == "keys") {
    const bool json = args.size() == 2 && args[1] == "--json";
    if (args.size() > 1 && !json) return usageError(err, "keys takes only --json");
    printSettings(out, json);
    return kExitOk;
  }
  Defaults defaults(Defaults::standardFile());

  if (action == "read") {
    if (args.size() > 2) return usageError(err, "read takes at most one key");
    if (!defaults.lastError().empty()) err << "marbrel defaults: " << defaults.lastError() << "\n";
    // Printing nothing for a file that is there but cannot be read would pass it off as empty.
    if (defaults.isUnreadable()) return kExitFailure;
    if (args.size() == 1) {
      out << defaults.persistentDomain().dump(2) << "\n";
      return kExitOk;
    }
    const auto value = defaults.persistentObjectForKey(args[1]);
    if (!value) {
      err << "marbrel defaults: the key '" << args[1] << "' is not set\n";
      return kExitFailure;
    }
    printValue(out, *value);
    return kExitOk;
  }

  if (action == "write") {
    if (args.size() < 3) return usageError(err, "write needs a key, a type and a value");
    const std::string& key = args[1];
    if (key.empty()) return usageError(err, "the key is empty");
    std::string problem;
    const auto value = parseValue(args[2], {args.begin() + 3, args.end()}, problem);
    if (!value) return usageError(err, problem);
    // A value the program would misread is not stored at all.
    if (const std::string refused = problemWith(key, *value); !refused.empty()) {
      err << "marbrel defaults: " << refused << "\n";
      return kExitUsage;
    }
    if (!defaults.set(key, *value)) {
      err << "marbrel defaults: " << defaults.lastError() << "\n";
      return kExitFailure;
    }
    return kExitOk;
  }

  if (action == "delete") {
    if (args.size() != 2) return usageError(err, "delete takes one key");
    if (!defaults.persistentObjectForKey(args[1])) {
      err << "marbrel defaults: the key '" << args[1] << "' is not set\n";
      return kExitFailure;
    }
    if (!defaults.remove(args[1])) {
      err << "marbrel defaults: " << defaults.lastError() << "\n";
      return kExitFailure;
    }
    return kExitOk;
  }

  return usageError(err, "unknown action '" + action + "'");
}

}  // namespace marbrel::cli
