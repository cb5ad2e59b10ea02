#pragma once

#include <filesystem>
#include <string>

namespace marbrel {

// The history's one writer: an flock on a lock file beside the store, held while the object lives,
// with the holder's process id and display written in it so that another program can name it.
class StoreLock {
 public:
  enum class State {
    held,            // this process holds the lock
    heldElsewhere,   // another process holds it: holder() tells who
    unavailable,     // no lock could be taken here (an unwritable folder, a file system without locks)
  };
  // Who holds the lock, as it wrote itself down (empty while it has not yet).
  struct Holder {
    long pid = 0;
    std::string display;
  };

  // Takes the lock of the store at `storeFile` for this process, which runs on `display`.
  static StoreLock take(const std::filesystem::path& storeFile, const std::string& display);
  // The lock file of the store at `storeFile`: "<storeFile>.lock".
  static std::filesystem::path lockFile(const std::filesystem::path& storeFile);

  StoreLock(StoreLock&& other) noexcept;
  StoreLock& operator=(StoreLock&& other) noexcept;
  ~StoreLock();

  State state() const { return state_; }
  const Holder& holder() const { return holder_; }
  const std::string& problem() const { return problem_; }  // unavailable: why

 private:
  StoreLock() = default;

  int fd_ = -1;  // open while held; closing it drops the lock
  State state_ = State::unavailable;
  Holder holder_;
  std::string problem_;
};

}  // namespace marbrel
