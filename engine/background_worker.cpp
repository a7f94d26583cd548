#include "background_worker.h"

#include <system_error>
#include <utility>

namespace quelvane {

BackgroundWorker::~BackgroundWorker() {
  if (!thread_.joinable()) return;
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  thread_.join();
}

void BackgroundWorker::Start() {
  std::unique_lock lock(mutex_);
  if (!thread_.joinable()) {
    try {
      thread_ = std::thread(&BackgroundWorker::Serve, this);
    } catch (const std::system_error&) {
      // No thread to be had (a limit on processes, say): the run is made
      // here, where nothing else runs the job.
      lock.unlock();
      if (!thrown_) thrown_ = RunJob();
      return;
    }
  }
  ++queued_;
  lock.unlock();
  changed_.notify_all();
}

std::exception_ptr BackgroundWorker::RunJob() noexcept {
  try {
    job_();
  } catch (...) {
    return std::current_exception();
  }
  return nullptr;
}

void BackgroundWorker::Wait(size_t left) {
  if (std::exception_ptr thrown = Finished(left)) std::rethrow_exception(thrown);
}

void BackgroundWorker::WaitQuietly() noexcept { Finished(0); }

std::exception_ptr BackgroundWorker::Finished(size_t left) noexcept {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [&] { return queued_ <= left; });
  return std::exchange(thrown_, nullptr);
}

void BackgroundWorker::Serve() {
  std::unique_lock lock(mutex_);
  for (;;) {
    changed_.wait(lock, [this] { return queued_ > 0 || stopping_; });
    if (queued_ == 0) return;
    if (!skipping_) {
      lock.unlock();
      std::exception_ptr thrown = RunJob();
      lock.lock();
      if (thrown) thrown_ = thrown, skipping_ = true;
    }
    if (--queued_ == 0) skipping_ = false;
    changed_.notify_all();
  }
}

}  // namespace quelvane
