#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace marbrel {

// A few threads that share out the parts of one job with the thread that asks, so that one search
// keeps every processor busy. The threads start with the first job and end with the pool.
class WorkerPool {
 public:
  // `threads` counts the caller's thread too; 0 means one per processor.
  explicit WorkerPool(unsigned threads = 0);
  ~WorkerPool();
  WorkerPool(const WorkerPool&) = delete;
  WorkerPool& operator=(const WorkerPool&) = delete;

  // Runs work(part) once for every part in [0, parts), on the pool's threads and the caller's,
  // and returns when all have run. Parts are handed out in increasing order. Jobs from several
  // threads at once run one after the other.
  void run(std::size_t parts, const std::function<void(std::size_t part)>& work);

  unsigned threads() const { return threads_; }

 private:
  void serve();
  // Takes and runs parts of the current job until none is left.
  void work(std::unique_lock<std::mutex>& lock);

  unsigned threads_;
  std::mutex runMutex_;  // one job at a time
  std::mutex mutex_;
  std::condition_variable wake_;
  std::condition_variable finished_;
  std::vector<std::thread> workers_;
  const std::function<void(std::size_t)>* job_ = nullptr;
  std::size_t parts_ = 0;
  std::size_t next_ = 0;
  std::size_t running_ = 0;
  std::uint64_t generation_ = 0;
  bool stopping_ = false;
};

}  // namespace marbrel
