#pragma once
// Some tables drive a component mean towards 0 and keep the component search
// busy for many seconds. So that the command line does not look hung, a
// watcher writes a line to standard error every few seconds while the search
// runs, when standard error is a terminal and the search's own log lines are
// not shown.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <iosfwd>
#include <mutex>
#include <string>
#include <thread>

#include "estimation/EMtrun_alg.h"

namespace tallyfold::cli {

// Whether the still-running lines are shown: not with --log (its lines show
// the progress on standard output), and only on a terminal.
bool showsProgress(bool log, bool errorIsTerminal);

// Whether standard error is a terminal.
bool standardErrorIsTerminal();

// When the next line is due: one line every `interval` from the start; a
// watcher that wakes late writes one line and waits for the next whole
// interval.
class ProgressSchedule {
 public:
  using Duration = std::chrono::steady_clock::duration;
  explicit ProgressSchedule(Duration interval) : interval_(interval), next_(interval) {}

  // True when a line is due `elapsed` after the start; it then moves the
  // next line to the first whole interval after `elapsed`.
  bool due(Duration elapsed);
  Duration next() const { return next_; }

 private:
  Duration interval_;
  Duration next_;
};

// "tallyfold-cli: the component search is still running (10 s, 2 components)".
std::string stillRunningLine(std::chrono::steady_clock::duration elapsed, std::int32_t components);

// The watcher: an owned thread that writes the still-running lines to `err`
// from its construction until its destruction, which stops and joins it.
class ProgressWatch {
 public:
  ProgressWatch(std::ostream& err, ProgressSchedule::Duration interval);
  ~ProgressWatch();
  ProgressWatch(const ProgressWatch&) = delete;
  ProgressWatch& operator=(const ProgressWatch&) = delete;

  // The log sink for the search: it counts the components added so far.
  LogSink sink();

 private:
  void watch(std::stop_token stop);

  std::ostream& err_;
  ProgressSchedule schedule_;
  std::chrono::steady_clock::time_point start_;
  std::atomic<std::int32_t> components_{1};
  std::mutex mutex_;
  std::condition_variable_any wake_;
  std::jthread thread_;  // last: it starts once everything above exists
};

}  // namespace tallyfold::cli
