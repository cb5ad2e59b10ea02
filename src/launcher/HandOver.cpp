#include "launcher/HandOver.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

// Inlined, so that the launcher needs no library for one digest.
#define XXH_INLINE_ALL
#include <xxhash.h>

namespace marbrel {

namespace {

// A file descriptor closed when it goes out of scope.
struct OwnedFd {
  int fd = -1;
  ~OwnedFd() {
    if (fd >= 0) ::close(fd);
  }
};

// Whether some process holds the lock file `path` now (without taking it for long).
bool lockIsHeld(const std::string& path) {
  const OwnedFd lock{::open(path.c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW)};
  if (lock.fd < 0) return false;  // never made: nobody ran here
  int result;
  do {
    result = ::flock(lock.fd, LOCK_EX | LOCK_NB);
  } while (result != 0 && errno == EINTR);
  return result != 0 && errno == EWOULDBLOCK;  // taken here: dropped again as the file closes
}

bool isWritableFolder(const char* path) {
  struct stat info {};
  return ::stat(path, &info) == 0 && S_ISDIR(info.st_mode) && ::access(path, W_OK) == 0;
}

std::string folderForSocket() {
  // The runtime folder is the user's alone, so nobody else can take the names first.
  if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && runtime[0] == '/' && isWritableFolder(runtime)) {
    return runtime;
  }
  // A relative $TMPDIR would make the name depend on the working folder.
  const char* temporary = std::getenv("TMPDIR");
  return temporary && temporary[0] == '/' ? temporary : "/tmp";
}

bool fitsOnALine(const std::string& token) {
  if (token.empty() || token.size() > 512) return false;
  for (const char c : token) {
    if (c <= ' ' || c > '~') return false;
  }
  return true;
}

}  // namespace

std::string activationTokenFromEnvironment() {
  for (const char* name : {"XDG_ACTIVATION_TOKEN", "DESKTOP_STARTUP_ID"}) {
    const char* token = std::getenv(name);
    if (token && fitsOnALine(token)) return token;
  }
  return {};
}

std::string reopenRequestFromEnvironment() {
  const std::string token = activationTokenFromEnvironment();
  return (token.empty() ? std::string() : kActivationTokenPrefix + token + "\n") + kReopenRequest;
}

std::string activationTokenOfLine(const std::string& line) {
  const std::string prefix = kActivationTokenPrefix;
  if (line.size() < prefix.size() + 2 || line.compare(0, prefix.size(), prefix) != 0 || line.back() != '\n') return {};
  std::string token = line.substr(prefix.size(), line.size() - prefix.size() - 1);
  return fitsOnALine(token) ? token : std::string();
}

std::string handOverSocketPath() {
  // Display names hold characters a socket name should not (":", "/"); a short digest keeps any.
  const char* display = std::getenv("DISPLAY");
  const std::string displayName = display ? display : "";
  char file[64];
  std::snprintf(file, sizeof file, "marbrel-%u-%016llx", unsigned(::getuid()),
                static_cast<unsigned long long>(XXH3_64bits(displayName.data(), displayName.size())));
  std::string folder = folderForSocket();
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  if (folder != "/") folder += '/';
  return folder + file;
}

HandOver handOver(const std::string& socketPath, int timeoutMilliseconds) {
  if (!lockIsHeld(socketPath + ".lock")) return HandOver::notTaken;
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (socketPath.size() >= sizeof address.sun_path) return HandOver::notTaken;
  std::memcpy(address.sun_path, socketPath.c_str(), socketPath.size() + 1);
  const OwnedFd socket{::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0)};
  // A local connection is taken or refused at once (refused: the holder does not listen yet).
  if (socket.fd < 0 || ::connect(socket.fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    return HandOver::notTaken;
  }
  const std::string request = reopenRequestFromEnvironment();
  if (::send(socket.fd, request.data(), request.size(), MSG_NOSIGNAL) != ssize_t(request.size())) return HandOver::notTaken;
  // The answer comes once the holder's event loop runs: it may still be starting up.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMilliseconds);
  std::string answer;
  while (answer.find('\n') == std::string::npos) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count();
    if (left <= 0) return HandOver::unanswered;
    pollfd ready{socket.fd, POLLIN, 0};
    const int polled = ::poll(&ready, 1, int(left));
    if (polled < 0 && errno == EINTR) continue;
    if (polled <= 0) return HandOver::unanswered;
    char buffer[64];
    const ssize_t count = ::read(socket.fd, buffer, sizeof buffer);
    if (count < 0 && errno == EINTR) continue;
    if (count <= 0) return HandOver::notTaken;  // closed without an answer: the holder is going away
    answer.append(buffer, std::size_t(count));
  }
  return answer == kReopenAnswer ? HandOver::handedOver : HandOver::notTaken;
}

}  // namespace marbrel
