#pragma once

#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "core/config/Configuration.h"
#include "core/config/Defaults.h"
#include "core/config/ProcessArguments.h"
#include "core/history/HistoryStore.h"
#include "fakes/FakeMainQueue.h"

namespace marbrel::testing {

// A clock, in-memory settings and a log for store tests.
struct StoreEnvironment {
  FakeMainQueue clock;
  Defaults defaults{std::filesystem::path{}};
  ProcessArguments arguments;
  Configuration configuration{defaults, arguments};
  std::ostringstream log;

  std::unique_ptr<HistoryStore> openInMemory() { return HistoryStore::open({}, clock, true, log); }
  std::unique_ptr<HistoryStore> openFile(const std::filesystem::path& file) {
    return HistoryStore::open(file, clock, false, log);
  }
};

inline std::vector<NewContent> text(const std::string& value, const std::string& type = "text/plain") {
  return {NewContent{type, value}};
}

inline std::vector<std::string> textsOf(const std::vector<HistoryItemPtr>& items) {
  std::vector<std::string> texts;
  for (const auto& item : items) {
    const auto& value = item->contents().empty() ? std::nullopt : item->contents().front()->value();
    texts.push_back(value.value_or("<absent>"));
  }
  return texts;
}

}  // namespace marbrel::testing
