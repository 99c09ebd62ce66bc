#include "simulation/ReplicatePool.h"

#include <algorithm>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "common/HelperThreads.h"
#include "numeric/ErrorReporting.h"

namespace tallyfold {

int replicateThreads(int threads) { return threadsOfSetting(threads); }

int replicatesInFlight(int threads) { return threads <= 1 ? 1 : 2 * threads; }

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

// A pooled run. The calling thread prepares and finishes in replicate
// order; the workers fit whatever is prepared, lowest replicate first. The
// lines a fit prints (numerical warnings) are held and written just before
// its replicate is finished, where a serial run has written them.
class Pool {
 public:
  Pool(int replications, int threads, const ReplicateSteps& steps, std::stop_token stop)
      : steps_(steps),
        stop_(stop),
        window_(replicatesInFlight(threads)),
        fitted_(static_cast<std::size_t>(replications) + 1, 0),
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

  bool run(int replications) {
    int prepared = 0;
    int finished = 0;
    while (finished < replications) {
      bool fitted = false;
      std::vector<std::string> printed;
      std::exception_ptr error;
      {
        std::unique_lock lock(mutex_);
        const auto ready = [&] {
          return fitted_[static_cast<std::size_t>(finished) + 1] != 0 ||
                 (prepared < replications && unfitted_ < window_);
        };
        if (!progressed_.wait(lock, stop_, ready)) return false;
        // Keep the workers fed first: finishing can wait for a draw.
        fitted = !(prepared < replications && unfitted_ < window_);
        if (fitted) {
          if (const auto lines = printed_.find(finished + 1); lines != printed_.end()) {
            printed = std::move(lines->second);
            printed_.erase(lines);
          }
          if (const auto failure = errors_.find(finished + 1); failure != errors_.end()) error = failure->second;
        }
      }
      if (fitted) {
        writeErrorLines(printed);
        if (error) std::rethrow_exception(error);
        steps_.finish(++finished);
      } else {
        if (steps_.prepare) steps_.prepare(prepared + 1);
        if (stop_.stop_requested()) return false;
        {
          const std::lock_guard lock(mutex_);
          queue_.push_back(++prepared);
          ++unfitted_;
        }
        workReady_.notify_one();
      }
      if (stop_.stop_requested()) return false;
    }
    return true;
  }

 private:
  void work(std::stop_token cancel) {
    std::unique_lock lock(mutex_);
    for (;;) {
      if (!workReady_.wait(lock, cancel, [&] { return !queue_.empty(); })) return;
      const int rep = queue_.front();
      queue_.pop_front();
      lock.unlock();
      std::exception_ptr error;
      HeldErrorLines held;
      try {
        steps_.fit(rep, cancel);
      } catch (...) {
        error = std::current_exception();
      }
      std::vector<std::string> printed = held.take();
      lock.lock();
      if (error) errors_.emplace(rep, error);
      if (!printed.empty()) printed_.emplace(rep, std::move(printed));
      fitted_[static_cast<std::size_t>(rep)] = 1;
      --unfitted_;
      progressed_.notify_all();
    }
  }

  const ReplicateSteps& steps_;
  std::stop_token stop_;
  const int window_;  // the most replicates prepared and not yet fitted
  std::mutex mutex_;
  std::condition_variable_any workReady_;   // a replicate is prepared
  std::condition_variable_any progressed_;  // a replicate is fitted
  std::deque<int> queue_;                   // prepared, not yet taken by a worker
  int unfitted_ = 0;                        // prepared, not yet fitted
  std::vector<char> fitted_;                // per replicate (1-based)
  std::map<int, std::vector<std::string>> printed_;  // the lines a fit printed, until finished
  std::map<int, std::exception_ptr> errors_;
  std::stop_source cancel_;
  std::stop_callback<std::function<void()>> forward_;
  std::vector<std::thread> workers_;  // last: they start once everything above exists
};

}  // namespace

bool runReplicates(int replications, int threads, const ReplicateSteps& steps, std::stop_token stop) {
  if (threads <= 1 || replications <= 1) return runSerially(replications, steps, stop);
  Pool pool(replications, threads, steps, stop);
  return pool.run(replications);
}

ReplicateBlock withinRun(ReplicateBlock block, int replications) {
  return {std::max(block.first, 1), std::min(block.last, replications)};
}

bool runReplicateBlock(ReplicateBlock block, int threads, const ReplicateSteps& steps, std::stop_token stop) {
  const int offset = block.first - 1;
  ReplicateSteps shifted;
  if (steps.prepare) shifted.prepare = [&](int i) { steps.prepare(offset + i); };
  shifted.fit = [&](int i, std::stop_token fitStop) { steps.fit(offset + i, fitStop); };
  shifted.finish = [&](int i) { steps.finish(offset + i); };
  return runReplicates(block.size(), std::min(threads, std::max(block.size(), 1)), shifted, stop);
}

}  // namespace tallyfold
