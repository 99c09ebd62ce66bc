#include "cli/SearchProgress.h"

#include <ostream>

#include <unistd.h>

#include "common/ListDirected.h"

namespace tallyfold::cli {

bool showsProgress(bool log, bool errorIsTerminal) { return !log && errorIsTerminal; }

bool standardErrorIsTerminal() { return isatty(STDERR_FILENO) == 1; }

bool ProgressSchedule::due(Duration elapsed) {
  if (elapsed < next_) return false;
  next_ = (elapsed / interval_ + 1) * interval_;
  return true;
}

std::string stillRunningLine(std::chrono::steady_clock::duration elapsed, std::int32_t components) {
  const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(elapsed).count();
  return "tallyfold-cli: the component search is still running (" + std::to_string(seconds) + " s, " +
         std::to_string(components) + (components == 1 ? " component)" : " components)");
}

ProgressWatch::ProgressWatch(std::ostream& err, ProgressSchedule::Duration interval)
    : err_(err),
      schedule_(interval),
      start_(std::chrono::steady_clock::now()),
      thread_([this](std::stop_token stop) { watch(stop); }) {}

ProgressWatch::~ProgressWatch() {
  thread_.request_stop();
  thread_.join();
}

LogSink ProgressWatch::sink() {
  // The search writes this line each time it adds a component.
  return [this, added = listDirected("Add next component")](const std::string& line) {
    if (line == added) components_.fetch_add(1, std::memory_order_relaxed);
  };
}

void ProgressWatch::watch(std::stop_token stop) {
  std::unique_lock lock(mutex_);
  while (!stop.stop_requested()) {
    wake_.wait_until(lock, stop, start_ + schedule_.next(), [] { return false; });
    if (stop.stop_requested()) break;
    const auto elapsed = std::chrono::steady_clock::now() - start_;
    if (schedule_.due(elapsed)) {
      err_ << stillRunningLine(elapsed, components_.load(std::memory_order_relaxed)) << std::endl;
    }
  }
}

}  // namespace tallyfold::cli
