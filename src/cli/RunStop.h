#pragma once
// How a run of tallyfold-cli is stopped: SIGINT, SIGTERM or the end of
// --time-limit request a stop of the running computation, which the engines
// see through a std::stop_token and end promptly.
//
// The signal handler does no work: it writes the signal's number to a
// self-pipe (write(2) is async-signal-safe). An owned watcher thread waits
// on that pipe, with the time limit as its timeout, and records the cause
// before it calls request_stop, so a stopped engine can always be told why.
#include <atomic>
#include <chrono>
#include <optional>
#include <stop_token>
#include <string>
#include <thread>

namespace tallyfold::cli {

enum class StopCause { none, interrupt, terminate, timeLimit };

// The exit status of a run stopped by `cause`: 130 (SIGINT), 143 (SIGTERM),
// 3 (time limit); 0 for none.
int stoppedExitStatus(StopCause cause);

// What standard error says about a stopped run: the cause where it is not a
// signal the user sent, then "stopped".
std::string stoppedMessage(StopCause cause, std::optional<double> timeLimitSeconds);

// Refuses a time limit that is not a positive number of seconds (BadInput).
void checkTimeLimit(const std::optional<double>& seconds);

// Installs the SIGINT and SIGTERM handlers and starts the watcher; the
// destructor restores the previous handlers and joins the watcher. One
// instance at a time.
class RunStop {
 public:
  explicit RunStop(std::optional<double> timeLimitSeconds);
  ~RunStop();
  RunStop(const RunStop&) = delete;
  RunStop& operator=(const RunStop&) = delete;

  std::stop_token token() const { return source_.get_token(); }
  // Set before the stop is requested, so it is known to whoever sees it.
  StopCause cause() const { return cause_.load(std::memory_order_acquire); }
  // stoppedExitStatus and stoppedMessage of the cause.
  int exitStatus() const { return stoppedExitStatus(cause()); }
  std::string stoppedMessage() const { return cli::stoppedMessage(cause(), timeLimit_); }

 private:
  void watch(std::optional<std::chrono::steady_clock::time_point> deadline);
  void requestStop(StopCause cause);

  std::optional<double> timeLimit_;
  int readEnd_ = -1;
  int writeEnd_ = -1;
  std::stop_source source_;
  std::atomic<StopCause> cause_{StopCause::none};
  std::thread watcher_;
};

}  // namespace tallyfold::cli
