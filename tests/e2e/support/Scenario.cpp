#include "support/Scenario.h"

namespace marbrel::e2e {

void Scenario::SetUp() {
  session = std::make_unique<MarbrelSession>(testName(), tray, monitors);
  if (!session->problem().empty()) GTEST_SKIP() << session->problem();
  if (const std::string missing = missingTool(tools); !missing.empty()) GTEST_SKIP() << missing;
  if (startsMarbrel) {
    ASSERT_TRUE(session->startMarbrel(arguments)) << "Marbrel did not come up; see " << session->outputDir();
  }
}

std::string Scenario::testName() { return ::testing::UnitTest::GetInstance()->current_test_info()->name(); }

std::string Scenario::missingTool(const std::vector<std::string>& tools) {
  for (const auto& tool : tools) {
    if (!haveProgram(tool)) return "missing tool: " + tool;
  }
  return {};
}

nlohmann::json Scenario::entryTitled(const std::string& title) {
  for (const auto& entry : session->history()) {
    if (entry.value("title", "") == title) return entry;
  }
  return nullptr;
}

std::string Scenario::waitForWindow(const std::string& pattern) {
  std::string id;
  waitFor([&] {
    const auto ids = session->x().findWindows(pattern);
    if (!ids.empty()) id = ids.front();
    return !id.empty();
  });
  return id;
}

bool Scenario::focus(const std::string& id) {
  return waitFor([&] {
    session->x().run({"xdotool", "windowfocus", id});
    return session->x().run({"xdotool", "getwindowfocus"}).out.find(id) != std::string::npos;
  });
}

bool Scenario::setting(const std::string& key, const std::string& value) {
  return session->x().run({MARBREL_EXECUTABLE, "defaults", "write", key, "-string", value}).exitCode == 0;
}

std::string Scenario::storedSetting(const std::string& key) {
  return session->x().run({MARBREL_EXECUTABLE, "defaults", "read", key}).out;
}

}  // namespace marbrel::e2e
