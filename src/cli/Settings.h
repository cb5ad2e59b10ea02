#pragma once

#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace marbrel::cli {

// One setting a user may change with `marbrel defaults write`.
struct Setting {
  std::string key;
  // The `defaults write` flag that stores it, without its dash: bool, int, string, array or dict.
  std::string type;
  // What the program uses while nothing is stored.
  nlohmann::json defaultValue;
  // The values a string setting understands (others count as its default); empty for the rest.
  std::vector<std::string> values;
  std::string meaning;
};

// Every setting the program reads, in the order the manual lists them: what `marbrel defaults keys`
// prints and the shell completion offers.
const std::vector<Setting>& settings();

}  // namespace marbrel::cli
