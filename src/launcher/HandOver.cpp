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

// Why `folder` is not the user's alone, or empty when it is: a folder (not a link to one), the
// user's, that nobody else may enter.
std::string privateFolderProblem(const std::string& folder) {
  struct stat info {};
  if (::lstat(folder.c_str(), &info) != 0) return std::string("cannot be read: ") + std::strerror(errno);
  if (S_ISLNK(info.st_mode)) return "is a symbolic link";
  if (!S_ISDIR(info.st_mode)) return "is not a folder";
  if (info.st_uid != ::getuid()) return "belongs to user " + std::to_string(info.st_uid);
  if ((info.st_mode & 07777) != 0700) {
    char mode[8];
    std::snprintf(mode, sizeof mode, "%04o", unsigned(info.st_mode & 07777));
    return std::string("has mode ") + mode + ", not 0700";
  }
  return {};
}

std::string withoutTrailingSlashes(std::string folder) {
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  return folder;
}

std::string inFolder(const std::string& folder, const std::string& name) {
  return folder + (folder == "/" ? "" : "/") + name;
}

// The folder for the lock and the socket, or empty (`problem` set). Names in a folder that others
// may write could be made first by another user, who could then hold the lock or answer on the
// socket and so stop Marbrel; hence a folder of the user's own.
std::string folderForSocket(std::string& problem) {
  if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && runtime[0] == '/') {
    const std::string folder = withoutTrailingSlashes(runtime);
    if (privateFolderProblem(folder).empty()) return folder;
  }
  // A relative $TMPDIR would make the name depend on the working folder.
  const char* temporary = std::getenv("TMPDIR");
  const std::string folder = inFolder(withoutTrailingSlashes(temporary && temporary[0] == '/' ? temporary : "/tmp"),
                                      "marbrel-" + std::to_string(::getuid()));
  if (::mkdir(folder.c_str(), 0700) == 0) {
    ::chmod(folder.c_str(), 0700);  // the umask may have taken some of the owner's bits
  } else if (errno != EEXIST) {
    problem = "cannot create the folder " + folder + " for Marbrel's lock and socket: " + std::strerror(errno);
    return {};
  }
  if (const std::string why = privateFolderProblem(folder); !why.empty()) {
    problem = "the folder " + folder + " for Marbrel's lock and socket " + why +
              ", so another user may have made it; remove it, or set XDG_RUNTIME_DIR to a folder of your own "
              "(mode 0700)";
    return {};
  }
  return folder;
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

std::string normalizedDisplay(const std::string& display) {
  const auto colon = display.rfind(':');
  if (colon == std::string::npos) return display;
  std::string name = display.substr(0, display.find('.', colon));
  if (colon == 4 && name.starts_with("unix")) name.erase(0, 4);
  return name;
}

std::string handOverSocketPath(std::string* problem) {
  std::string why;
  const std::string folder = folderForSocket(why);
  if (folder.empty()) {
    if (problem) *problem = why;
    return {};
  }
  // Display names hold characters a socket name should not (":", "/"); a short digest keeps any.
  const char* display = std::getenv("DISPLAY");
  const std::string displayName = normalizedDisplay(display ? display : "");
  char file[64];
  std::snprintf(file, sizeof file, "marbrel-%u-%016llx", unsigned(::getuid()),
                static_cast<unsigned long long>(XXH3_64bits(displayName.data(), displayName.size())));
  return inFolder(folder, file);
}

HandOver handOver(const std::string& socketPath, int timeoutMilliseconds) {
  if (socketPath.empty() || !lockIsHeld(socketPath + ".lock")) return HandOver::notTaken;
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
