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

#include "StoreTestSupport.h"
#include "core/history/History.h"
#include "support/TempDir.h"

namespace marbrel {
namespace {

// The child: adds entries for ever, writing "<n>\n" to `out` each time an add has saved. Every
// third copy repeats an earlier text and is merged; some others carry a larger value.
[[noreturn]] void addForever(const std::filesystem::path& file, int out, int first) {
  testing::StoreEnvironment env;
  auto store = env.openFile(file);
  History history(*store, env.configuration);
  env.configuration.setHistorySize(1'000'000);
  for (int n = first;; ++n) {
    env.clock.advance(1);
    const std::string name = n % 3 ? "entry " + std::to_string(n) : "repeat " + std::to_string(n % 7);
    std::vector<NewContent> contents{{"text/plain", name}};
    if (n % 3 && n % 5 == 0) contents.push_back({"image/png", std::string(200'000, static_cast<char>(n))});
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

TEST(StoreCrashTest, KilledWriterNeverLosesNorDuplicatesASavedEntryNorDamagesTheStore) {
  testing::TempDir dir;
  const auto file = dir / "MarbrelStorage.sqlite";
  const unsigned seed = std::random_device{}();
  SCOPED_TRACE("seed " + std::to_string(seed));
  std::mt19937 random(seed);
  std::set<std::string> saved;
  int next = 0;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
  int round = 0;
  for (; round < 30 && std::chrono::steady_clock::now() < deadline; ++round) {
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      ::close(fds[0]);
      addForever(file, fds[1], next);
    }
    ::close(fds[1]);
    if (round % 2 == 0) {  // half the rounds let the child save at least once first (bounded wait)
      pollfd reply{fds[0], POLLIN, 0};
      ::poll(&reply, 1, 10'000);
    }
    std::this_thread::sleep_for(std::chrono::microseconds(std::uniform_int_distribution<int>(0, 20'000)(random)));
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    const std::string lines = readAll(fds[0]);
    ::close(fds[0]);
    int last = next - 1;
    for (std::size_t start = 0, end; (end = lines.find('\n', start)) != std::string::npos; start = end + 1) {
      last = std::stoi(lines.substr(start, end - start));
      if (last % 3) saved.insert("entry " + std::to_string(last));
    }
    next = last + 1000;  // numbers the child used without reporting them are not reused

    testing::StoreEnvironment env;
    auto store = env.openFile(file);
    ASSERT_EQ(env.log.str(), "") << "round " << round;
    ASSERT_EQ(store->integrityCheck(), "ok") << "round " << round;
    std::map<std::string, int> seen;
    for (const auto& text : testing::textsOf(store->all())) ++seen[text];
    for (const auto& [text, count] : seen) EXPECT_EQ(count, 1) << text << " in round " << round;
    for (const auto& text : saved) EXPECT_EQ(seen.count(text), 1u) << text << " lost in round " << round;
  }
  EXPECT_GE(round, 10);
  EXPECT_FALSE(saved.empty());
}

}  // namespace
}  // namespace marbrel
