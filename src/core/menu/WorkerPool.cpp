#include "core/menu/WorkerPool.h"

#include <algorithm>

namespace marbrel {

WorkerPool::WorkerPool(unsigned threads)
    : threads_(threads != 0 ? threads : std::max(1u, std::thread::hardware_concurrency())) {}

WorkerPool::~WorkerPool() {
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  for (std::thread& worker : workers_) worker.join();
}

void WorkerPool::run(std::size_t parts, const std::function<void(std::size_t part)>& work) {
  if (parts == 0) return;
  if (parts == 1 || threads_ == 1) {
    for (std::size_t part = 0; part < parts; ++part) work(part);
    return;
  }
  const std::lock_guard<std::mutex> one(runMutex_);
  std::unique_lock<std::mutex> lock(mutex_);
  if (workers_.empty()) {
    for (unsigned i = 1; i < threads_; ++i) workers_.emplace_back([this] { serve(); });
  }
  job_ = &work;
  parts_ = parts;
  next_ = 0;
  ++generation_;
  wake_.notify_all();
  this->work(lock);
  finished_.wait(lock, [this] { return next_ >= parts_ && running_ == 0; });
  job_ = nullptr;
}

void WorkerPool::work(std::unique_lock<std::mutex>& lock) {
  while (job_ && next_ < parts_) {
    const std::size_t part = next_++;
    const auto* job = job_;
    ++running_;
    lock.unlock();
    (*job)(part);
    lock.lock();
    --running_;
  }
  if (running_ == 0) finished_.notify_all();
}

void WorkerPool::serve() {
  std::unique_lock<std::mutex> lock(mutex_);
  std::uint64_t seen = 0;
  for (;;) {
    wake_.wait(lock, [&] { return stopping_ || (job_ && generation_ != seen); });
    if (stopping_) return;
    seen = generation_;
    work(lock);
  }
}

}  // namespace marbrel
