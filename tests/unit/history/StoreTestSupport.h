#pragma once

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "core/config/Configuration.h"
#include "core/history/HistoryStore.h"
#include "fakes/FakeMainQueue.h"

namespace marbrel::testing {

// A clock, in-memory settings and the two logs for store tests.
struct StoreEnvironment {
  FakeMainQueue clock;
  Defaults defaults{std::filesystem::path{}};
  ProcessArguments arguments;
  Configuration configuration{defaults, arguments};
  std::ostringstream log;
  std::ostringstream errors;

  std::unique_ptr<HistoryStore> openInMemory() { return HistoryStore::open({}, clock, true, log, errors); }
  std::unique_ptr<HistoryStore> openFile(const std::filesystem::path& file) {
    return HistoryStore::open(file, clock, false, log, errors);
  }
};

// A test of the store and what is built on it, with the environment above.
class StoreTest : public ::testing::Test {
 protected:
  StoreEnvironment env;
};

using Texts = std::vector<std::string>;

inline std::vector<NewContent> text(const std::string& value) { return {NewContent{"text/plain", value}}; }

// The first content's value of each entry.
inline std::vector<std::string> textsOf(const std::vector<HistoryItemPtr>& items) {
  std::vector<std::string> texts;
  for (const auto& item : items) texts.push_back(item->contents().at(0)->value().value_or("<absent>"));
  return texts;
}

}  // namespace marbrel::testing
