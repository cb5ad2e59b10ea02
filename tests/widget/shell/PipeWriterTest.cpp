// Serving a value through a pipe; real selections are the data-control contract tests' part.
#include <fcntl.h>
#include <unistd.h>

#include <memory>
#include <string>

#include <QTimer>

#include <gtest/gtest.h>

#include "shell/PipeWriter.h"
#include "support/QtEvents.h"

namespace marbrel {
namespace {

TEST(PipeWriter, AReaderGoneBeforeTheFirstByteEndsTheWritingNotTheProgram) {
  const auto value = std::make_shared<const std::string>(std::string(1u << 20, 'a'));
  int fds[2];
  ASSERT_EQ(::pipe2(fds, O_CLOEXEC), 0);
  ::close(fds[0]);
  PipeWriter::start(fds[1], value);
  bool stillRunning = false;
  QTimer::singleShot(50, [&] { stillRunning = true; });
  EXPECT_TRUE(testing::processEventsUntil([&] { return stillRunning; })) << "no SIGPIPE ended the program";
}

}  // namespace
}  // namespace marbrel
