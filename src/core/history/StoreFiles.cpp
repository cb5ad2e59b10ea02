#include "core/history/StoreFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace marbrel {

namespace {

std::string errnoText(const std::string& what, const std::filesystem::path& path) {
  return what + " " + path.string() + ": " + std::strerror(errno);
}

const char* const kCompanions[] = {"-wal", "-shm"};

std::filesystem::path withSuffix(const std::filesystem::path& file, const std::string& suffix) {
  return std::filesystem::path(file.string() + suffix);
}

}  // namespace

std::string StoreFiles::ensurePrivateFile(const std::filesystem::path& file) {
  const int fd = ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) return errnoText("cannot open", file);
  std::string error;
  if (::fchmod(fd, 0600) != 0) error = errnoText("cannot protect", file);
  ::close(fd);
  return error;
}

bool StoreFiles::hasDatabaseHeader(const std::filesystem::path& file) {
  static constexpr char kHeader[16] = {'S', 'Q', 'L', 'i', 't', 'e', ' ', 'f', 'o', 'r', 'm', 'a', 't', ' ', '3', '\0'};
  const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return true;  // opening will report why
  char start[sizeof kHeader];
  const ssize_t got = ::read(fd, start, sizeof start);
  ::close(fd);
  if (got == 0) return true;
  return got == static_cast<ssize_t>(sizeof start) && std::memcmp(start, kHeader, sizeof start) == 0;
}

void StoreFiles::restrictCompanions(const std::filesystem::path& file) {
  for (const char* suffix : kCompanions) ::chmod(withSuffix(file, suffix).c_str(), 0600);
}

std::filesystem::path StoreFiles::moveAside(const std::filesystem::path& file, long long stamp,
                                            std::string& error) {
  const std::string base = file.string() + ".corrupt-" + std::to_string(stamp);
  std::filesystem::path target = base;
  std::error_code ec;
  for (int n = 2; std::filesystem::exists(target, ec) || std::filesystem::exists(withSuffix(target, "-wal"), ec);
       ++n) {
    target = base + "-" + std::to_string(n);
  }
  // The companions go first: a stale write-ahead log left beside a fresh database would be
  // replayed into it.
  for (const char* suffix : kCompanions) {
    const std::filesystem::path companion = withSuffix(file, suffix);
    if (::access(companion.c_str(), F_OK) != 0) continue;
    if (::rename(companion.c_str(), withSuffix(target, suffix).c_str()) != 0) {
      error = errnoText("cannot move aside", companion);
      return {};
    }
  }
  if (::rename(file.c_str(), target.c_str()) != 0) {
    error = errnoText("cannot move aside", file);
    return {};
  }
  return target;
}

}  // namespace marbrel
