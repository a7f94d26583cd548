#pragma once
// One job, run again and again on a thread of its own, in the order asked
// for: the tidier writes a file's chunks there while it reads on, and the
// run removes replaced originals. The thread starts with the first run;
// where none can be had, each run is made on the caller's thread as it is
// asked for.

#include <condition_variable>
#include <cstddef>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>

namespace quelvane {

class BackgroundWorker {
 public:
  explicit BackgroundWorker(std::function<void()> job) : job_(std::move(job)) {}
  ~BackgroundWorker();
  BackgroundWorker(const BackgroundWorker&) = delete;
  BackgroundWorker& operator=(const BackgroundWorker&) = delete;

  // Asks for one more run, after those asked for before.
  void Start();
  // Until at most `left` runs are still to finish; then rethrows what a run
  // threw, if one did. The runs asked for after one threw are not made.
  void Wait(size_t left = 0);
  // Until every run has finished, forgetting what was thrown: for a caller
  // already unwinding.
  void WaitQuietly() noexcept;

 private:
  void Serve();
  std::exception_ptr RunJob() noexcept;
  std::exception_ptr Finished(size_t left) noexcept;

  const std::function<void()> job_;
  std::mutex mutex_;
  std::condition_variable changed_;
  size_t queued_ = 0;  // runs asked for and not yet finished
  bool skipping_ = false;  // a run threw: the rest of those asked for are not made
  bool stopping_ = false;
  std::exception_ptr thrown_;
  std::thread thread_;
};

}  // namespace quelvane
