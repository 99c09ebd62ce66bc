#include "simulation/ReplicatePool.h"

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

namespace tallyfold {

int replicateThreads(int threads) {
  if (threads >= 1) return threads;
  const unsigned cores = std::thread::hardware_concurrency();
  return cores == 0 ? 1 : static_cast<int>(cores);
}

// One replicate being fitted per worker and one drawn ahead for it.
int replicateWindow(int threads) { return threads <= 1 ? 1 : 2 * threads; }

namespace {

bool runSerially(int replications, const ReplicateSteps& steps, std::stop_token stop) {
  for (int rep = 1; rep <= replications; ++rep) {
    if (stop.stop_requested()) return false;
    if (steps.prepare) steps.prepare(rep);
    if (stop.stop_requested()) return false;
    steps.fit(rep, stop);
    if (stop.stop_requested()) return false;
    steps.finish(rep);
  }
  return true;
}

// The shared state of a pooled run: the queue of prepared replicates and,
// per slot, whether its replicate is fitted and what it threw.
class Pool {
 public:
  Pool(int threads, int window, const ReplicateSteps& steps, std::stop_token stop)
      : steps_(steps),
        fitted_(static_cast<std::size_t>(window), false),
        errors_(static_cast<std::size_t>(window)),
        forward_(stop, [this] { cancel_.request_stop(); }) {
    workers_.reserve(static_cast<std::size_t>(threads));
    for (int t = 0; t < threads; ++t) workers_.emplace_back([this] { work(cancel_.get_token()); });
  }

  // Ends the workers: a fit still running sees its token stopped.
  ~Pool() {
    cancel_.request_stop();
    for (std::thread& worker : workers_) worker.join();
  }

  Pool(const Pool&) = delete;
  Pool& operator=(const Pool&) = delete;

  void submit(int rep) {
    {
      const std::lock_guard lock(mutex_);
      queue_.push_back(rep);
    }
    workReady_.notify_one();
  }

  // Waits until replicate rep is fitted; false when the stop came first.
  // Rethrows what its fit threw.
  bool await(int rep, std::stop_token stop) {
    const std::size_t slot = slotOf(rep);
    std::exception_ptr error;
    {
      std::unique_lock lock(mutex_);
      if (!slotFitted_.wait(lock, stop, [&] { return static_cast<bool>(fitted_[slot]); })) return false;
      fitted_[slot] = false;
      error = std::exchange(errors_[slot], nullptr);
    }
    if (error) std::rethrow_exception(error);
    return !stop.stop_requested();
  }

 private:
  std::size_t slotOf(int rep) const { return static_cast<std::size_t>(rep - 1) % fitted_.size(); }

  void work(std::stop_token cancel) {
    std::unique_lock lock(mutex_);
    for (;;) {
      if (!workReady_.wait(lock, cancel, [&] { return !queue_.empty(); })) return;
      const int rep = queue_.front();
      queue_.pop_front();
      lock.unlock();
      std::exception_ptr error;
      try {
        steps_.fit(rep, cancel);
      } catch (...) {
        error = std::current_exception();
      }
      lock.lock();
      fitted_[slotOf(rep)] = true;
      errors_[slotOf(rep)] = error;
      slotFitted_.notify_all();
    }
  }

  const ReplicateSteps& steps_;
  std::mutex mutex_;
  std::condition_variable_any workReady_;
  std::condition_variable_any slotFitted_;
  std::deque<int> queue_;
  std::vector<char> fitted_;
  std::vector<std::exception_ptr> errors_;
  std::stop_source cancel_;
  std::stop_callback<std::function<void()>> forward_;
  std::vector<std::thread> workers_;  // last: they start once everything above exists
};

}  // namespace

bool runReplicates(int replications, int threads, const ReplicateSteps& steps, std::stop_token stop) {
  if (threads <= 1 || replications <= 1) return runSerially(replications, steps, stop);
  const int window = replicateWindow(threads);
  Pool pool(threads, window, steps, stop);
  int nextPrepared = 1;
  for (int rep = 1; rep <= replications; ++rep) {
    for (; nextPrepared <= replications && nextPrepared < rep + window; ++nextPrepared) {
      if (stop.stop_requested()) return false;
      if (steps.prepare) steps.prepare(nextPrepared);
      if (stop.stop_requested()) return false;
      pool.submit(nextPrepared);
    }
    if (!pool.await(rep, stop)) return false;
    steps.finish(rep);
  }
  return true;
}

}  // namespace tallyfold
