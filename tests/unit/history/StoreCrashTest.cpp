#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <map>
#include <random>
#include <set>
#include <thread>

#include "core/history/History.h"
#include "core/history/HistoryStore.h"
#include "support/TempDir.h"
#include "StoreTestSupport.h"

namespace marbrel {
namespace {

using testing::StoreEnvironment;
using testing::TempDir;

// Runs in the child: adds entries for ever, writing "<n>\n" to `out` after each add has saved.
[[noreturn]] void addForever(const std::filesystem::path& file, int out, int first) {
  StoreEnvironment env;
  env.clock.advance(first);
  auto store = env.openFile(file);
  History history(*store, env.configuration);
  env.configuration.setHistorySize(1'000'000);
  for (int n = first;; ++n) {
    env.clock.advance(1);
    // Every third copy repeats an earlier text and is merged; some others carry a larger value.
    const std::string name = n % 3 == 0 ? "repeat " + std::to_string(n % 7) : "entry " + std::to_string(n);
    std::vector<NewContent> contents{{"text/plain", name}};
    if (n % 3 != 0 && n % 5 == 0) contents.push_back({"image/png", std::string(200'000, static_cast<char>(n))});
    history.add(store->insertItem(std::move(contents)));
    const std::string line = std::to_string(n) + "\n";
    if (::write(out, line.data(), line.size()) < 0) ::_exit(1);
  }
}

std::string readAll(int fd) {
  std::string text;
  char buffer[4096];
  for (ssize_t got; (got = ::read(fd, buffer, sizeof buffer)) > 0;) text.append(buffer, static_cast<std::size_t>(got));
  return text;
}

// Waits (bounded) until the child has reported at least one saved entry.
void awaitFirstReport(int fd) {
  pollfd entry{fd, POLLIN, 0};
  ::poll(&entry, 1, 10'000);
}

TEST(StoreCrashTest, KilledWriterNeverLosesReportedEntriesNorDamagesTheStore) {
  TempDir dir;
  const auto file = dir / "MarbrelStorage.sqlite";
  const unsigned seed = std::random_device{}();
  std::mt19937 random(seed);
  SCOPED_TRACE("seed " + std::to_string(seed));
  std::set<std::string> reported;
  int next = 0;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
  int rounds = 0;
  for (; rounds < 30 && std::chrono::steady_clock::now() < deadline; ++rounds) {
    int pipeFds[2];
    ASSERT_EQ(::pipe(pipeFds), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      ::close(pipeFds[0]);
      addForever(file, pipeFds[1], next);
    }
    ::close(pipeFds[1]);
    if (rounds % 2 == 0) awaitFirstReport(pipeFds[0]);
    std::this_thread::sleep_for(std::chrono::microseconds(std::uniform_int_distribution<int>(0, 20'000)(random)));
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    const std::string lines = readAll(pipeFds[0]);
    ::close(pipeFds[0]);

    int last = next - 1;
    for (std::size_t start = 0, end; (end = lines.find('\n', start)) != std::string::npos; start = end + 1) {
      last = std::stoi(lines.substr(start, end - start));
      if (last % 3 != 0) reported.insert("entry " + std::to_string(last));
    }
    next = last + 1000;  // numbers the child used but never reported are not reused

    StoreEnvironment env;
    auto store = env.openFile(file);
    ASSERT_EQ(env.log.str(), "") << "round " << rounds;
    ASSERT_EQ(store->integrityCheck(), "ok") << "round " << rounds;
    std::map<std::string, int> seen;
    for (const auto& item : store->all()) {
      const auto& contents = item->contents();
      ASSERT_FALSE(contents.empty());
      ++seen[contents.front()->value().value_or("<absent>")];
      if (contents.size() == 2) EXPECT_EQ(contents[1]->size(), 200'000u);
    }
    for (const auto& [name, count] : seen) EXPECT_EQ(count, 1) << name << " in round " << rounds;
    for (const auto& name : reported) EXPECT_EQ(seen.count(name), 1u) << name << " lost in round " << rounds;
  }
  EXPECT_GE(rounds, 10);
  EXPECT_FALSE(reported.empty());
}

}  // namespace
}  // namespace marbrel
