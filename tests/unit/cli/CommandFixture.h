#pragma once

#include <optional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "cli/CommandLine.h"
#include "support/Environment.h"
#include "support/TempDir.h"

namespace marbrel::cli {

using Lines = std::vector<std::string>;

// Runs `marbrel <command> ...` (`marbrel ...` for an empty command) with settings and history in a
// fresh folder, and keeps what it printed; variables the test sets are put back when it ends.
class CommandFixture : public ::testing::Test {
 protected:
  explicit CommandFixture(std::string command) : command_(std::move(command)) {
    setEnv("XDG_CONFIG_HOME", (dir_ / "config").string());
    setEnv("XDG_DATA_HOME", (dir_ / "data").string());
  }

  // Sets (or, with nullopt, removes) a variable for the rest of the test.
  void setEnv(const std::string& name, const std::optional<std::string>& value) { environment_.set(name, value); }

  int run(Lines args) {
    out_.str("");
    err_.str("");
    if (!command_.empty()) args.insert(args.begin(), command_);
    return runCommandLine(args, out_, err_);
  }

  Lines outLines() const {
    Lines lines;
    std::istringstream in(out_.str());
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }

  marbrel::testing::TempDir dir_;
  std::ostringstream out_;
  std::ostringstream err_;

 private:
  marbrel::testing::ScopedEnvironment environment_;
  std::string command_;
};

}  // namespace marbrel::cli
