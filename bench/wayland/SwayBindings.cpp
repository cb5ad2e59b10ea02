#include "SwayBindings.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <sched.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace marbrel::bench {

namespace {

// sway's IPC frames: "i3-ipc", payload length and message type (native byte order), payload.
constexpr char kMagic[] = {'i', '3', '-', 'i', 'p', 'c'};
constexpr std::uint32_t kSubscribe = 2;
constexpr std::uint32_t kBindingEvent = 0x80000005u;

bool writeAll(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t written = ::write(fd, data, size);
    if (written <= 0) return false;
    data += written;
    size -= std::size_t(written);
  }
  return true;
}

bool readAll(int fd, char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t count = ::read(fd, data, size);
    if (count <= 0) return false;
    data += count;
    size -= std::size_t(count);
  }
  return true;
}

// Reads one frame's header and payload; false when the socket closed.
bool readFrame(int fd, std::uint32_t& type, std::string& payload) {
  char header[14];
  if (!readAll(fd, header, sizeof header) || std::memcmp(header, kMagic, sizeof kMagic) != 0) return false;
  std::uint32_t length = 0;
  std::memcpy(&length, header + 6, 4);
  std::memcpy(&type, header + 10, 4);
  payload.resize(length);
  return readAll(fd, payload.data(), length);
}

}  // namespace

SwayBindings::SwayBindings(const std::string& socketPath) {
  socket_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (socket_ < 0 || socketPath.size() >= sizeof address.sun_path) return;
  std::memcpy(address.sun_path, socketPath.c_str(), socketPath.size() + 1);
  if (::connect(socket_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) return;
  const std::string payload = R"(["binding"])";
  std::string frame(kMagic, sizeof kMagic);
  const auto length = std::uint32_t(payload.size());
  frame.append(reinterpret_cast<const char*>(&length), 4);
  frame.append(reinterpret_cast<const char*>(&kSubscribe), 4);
  frame += payload;
  std::uint32_t type = 0;
  std::string reply;
  if (!writeAll(socket_, frame.data(), frame.size()) || !readFrame(socket_, type, reply)) return;
  if (type != kSubscribe || reply.find("true") == std::string::npos) return;
  if (::pipe2(stopPipe_, O_CLOEXEC) != 0) return;
  subscribed_ = true;
  listener_ = std::thread([this] { listen(); });
}

SwayBindings::~SwayBindings() {
  if (listener_.joinable()) {
    [[maybe_unused]] const auto written = ::write(stopPipe_[1], "x", 1);
    listener_.join();
  }
  for (int fd : {socket_, stopPipe_[0], stopPipe_[1]}) {
    if (fd >= 0) ::close(fd);
  }
}

void SwayBindings::listen() {
  // On a busy machine an ordinary thread may wait for a processor before it reads the clock, and
  // the binding would seem later than it was: this one runs first when it can (allowed to root).
  sched_param realTime{};
  realTime.sched_priority = 1;
  realTime_ = ::pthread_setschedparam(::pthread_self(), SCHED_FIFO, &realTime) == 0;
  for (;;) {
    pollfd fds[2] = {{socket_, POLLIN, 0}, {stopPipe_[0], POLLIN, 0}};
    if (::poll(fds, 2, -1) < 0) return;
    if (fds[1].revents) return;
    // Stamped as soon as the event is readable, before its payload is read.
    const auto at = Clock::now();
    std::uint32_t type = 0;
    std::string payload;
    if (!readFrame(socket_, type, payload)) return;
    if (type != kBindingEvent) continue;
    std::lock_guard lock(mutex_);
    bindings_.push_back(at);
  }
}

std::optional<Clock::time_point> SwayBindings::firstAfter(Clock::time_point after) const {
  std::lock_guard lock(mutex_);
  const auto found = std::find_if(bindings_.begin(), bindings_.end(), [&](auto at) { return at >= after; });
  if (found == bindings_.end()) return std::nullopt;
  return *found;
}

}  // namespace marbrel::bench
