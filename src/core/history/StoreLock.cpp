#include "core/history/StoreLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <sstream>
#include <thread>
#include <utility>

#include "core/config/PrivateFiles.h"

namespace marbrel {

namespace {

std::string errnoText(const std::string& what, const std::filesystem::path& path) {
  return what + " " + path.string() + ": " + std::strerror(errno);
}

// The record "pid N\ndisplay NAME\n" that the holder writes.
StoreLock::Holder readHolder(int fd) {
  char bytes[512];
  const ssize_t got = ::pread(fd, bytes, sizeof bytes, 0);
  StoreLock::Holder holder;
  std::istringstream lines(std::string(bytes, got > 0 ? std::size_t(got) : 0));
  for (std::string line; std::getline(lines, line);) {
    if (line.starts_with("pid ")) holder.pid = std::strtol(line.c_str() + 4, nullptr, 10);
    if (line.starts_with("display ")) holder.display = line.substr(8);
  }
  return holder;
}

}  // namespace

std::filesystem::path StoreLock::lockFile(const std::filesystem::path& storeFile) {
  return storeFile.string() + ".lock";
}

StoreLock StoreLock::take(const std::filesystem::path& storeFile, const std::string& display) {
  StoreLock lock;
  const std::filesystem::path file = lockFile(storeFile);
  if (!ensurePrivateFolder(file.parent_path())) {
    lock.problem_ = "cannot create the folder " + file.parent_path().string();
    return lock;
  }
  const int fd = ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) {
    lock.problem_ = errnoText("cannot open", file);
    return lock;
  }
  ::fchmod(fd, 0600);
  int locked;
  do {
    locked = ::flock(fd, LOCK_EX | LOCK_NB);
  } while (locked != 0 && errno == EINTR);
  if (locked != 0 && errno == EWOULDBLOCK) {
    // The holder writes itself down right after it takes the lock: give it that moment.
    lock.holder_ = readHolder(fd);
    for (int attempt = 0; attempt < 20 && lock.holder_.pid == 0; ++attempt) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
      lock.holder_ = readHolder(fd);
    }
    ::close(fd);
    lock.state_ = State::heldElsewhere;
    return lock;
  }
  if (locked != 0) {
    lock.problem_ = errnoText("cannot lock", file);
    ::close(fd);
    return lock;
  }
  lock.fd_ = fd;
  lock.state_ = State::held;
  lock.holder_ = {long(::getpid()), display};
  const std::string record = "pid " + std::to_string(::getpid()) + "\ndisplay " + display + "\n";
  // Who holds it is for messages only: a record that cannot be written leaves the lock as good.
  if (::ftruncate(fd, 0) != 0 || ::pwrite(fd, record.data(), record.size(), 0) != ssize_t(record.size())) {
    lock.problem_ = errnoText("cannot write", file);
  }
  return lock;
}

StoreLock::StoreLock(StoreLock&& other) noexcept { *this = std::move(other); }

StoreLock& StoreLock::operator=(StoreLock&& other) noexcept {
  if (this != &other) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = std::exchange(other.fd_, -1);
    state_ = other.state_;
    holder_ = std::move(other.holder_);
    problem_ = std::move(other.problem_);
  }
  return *this;
}

StoreLock::~StoreLock() {
  if (fd_ >= 0) ::close(fd_);
}

}  // namespace marbrel
