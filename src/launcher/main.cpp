// The `marbrel` command. A bare launch while the program already runs on this display hands over to
// it (its menu pops up) with a few system calls; anything else becomes the program itself through
// exec, with the same arguments, process and standard streams. Linking none of the program's
// libraries keeps the hand-over as quick as a process can start.
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <string>

#include "launcher/HandOver.h"
#include "launcher/InstallLayout.h"

namespace {

void say(const std::string& text) {
  for (std::size_t done = 0; done < text.size();) {
    const ssize_t written = ::write(STDERR_FILENO, text.data() + done, text.size() - done);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return;
    done += std::size_t(written);
  }
}

// This launcher's own file, whatever link or relative path it was started by; empty when unknown.
std::string ownPath() {
  char path[PATH_MAX];
  const ssize_t length = ::readlink("/proc/self/exe", path, sizeof path - 1);
  return length > 0 ? std::string(path, std::size_t(length)) : std::string();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc <= 1) {
    switch (marbrel::handOver(marbrel::handOverSocketPath())) {
      case marbrel::HandOver::handedOver:
        return 0;
      case marbrel::HandOver::unanswered:
        say(marbrel::kUnansweredMessage);
        return 1;
      case marbrel::HandOver::notTaken:
        break;  // nobody runs here: this launch becomes the program
    }
  }
  const std::string self = ownPath();
  if (self.empty()) {
    say(std::string("marbrel: cannot find where marbrel is installed (/proc/self/exe: ") + std::strerror(errno) + ")\n");
    return 127;
  }
  const std::string program = marbrel::programBesideLauncher(self).string();
  char name[] = "marbrel";
  char* bare[] = {name, nullptr};
  ::execv(program.c_str(), argc > 0 ? argv : bare);
  say("marbrel: cannot start " + program + ": " + std::strerror(errno) + " (reinstall marbrel)\n");
  return 127;
}
