#include "RunStop.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <cmath>
#include <csignal>
#include <sstream>
#include <stdexcept>
#include <system_error>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include "CliSupport.h"

namespace tallyfold::cli {

namespace {

// The write end of the running RunStop's self-pipe, for the handler; -1
// while there is none. A lock-free atomic int may be read in a handler.
std::atomic<int> signalPipe{-1};
static_assert(std::atomic<int>::is_always_lock_free);

struct sigaction previousInterrupt {};
struct sigaction previousTerminate {};

// Only async-signal-safe work: one write(2), errno kept as it was. The byte
// is the signal's number; 0 is the destructor's wake-up.
extern "C" void onStopSignal(int signal) {
  const int savedErrno = errno;
  const int fd = signalPipe.load(std::memory_order_relaxed);
  if (fd >= 0) {
    const auto byte = static_cast<unsigned char>(signal);
    [[maybe_unused]] const ssize_t written = ::write(fd, &byte, 1);
  }
  errno = savedErrno;
}

void install(int signal, struct sigaction* previous) {
  struct sigaction action {};
  action.sa_handler = onStopSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  // Fails only for a signal that cannot be caught, which SIGINT and SIGTERM are not.
  ::sigaction(signal, &action, previous);
}

// A time limit this long cannot end a run (about 31 years); it is not
// turned into a clock time, which could overflow.
constexpr double longestTimeLimit = 1e9;

}  // namespace

int stoppedExitStatus(StopCause cause) {
  switch (cause) {
    case StopCause::interrupt: return exitInterrupted;
    case StopCause::terminate: return exitTerminated;
    case StopCause::timeLimit: return exitTimeLimit;
    case StopCause::none: break;
  }
  return exitSuccess;
}

std::string stoppedMessage(StopCause cause, std::optional<double> timeLimitSeconds) {
  std::ostringstream text;
  if (cause == StopCause::timeLimit && timeLimitSeconds) {
    text << "tallyfold-cli: the time limit of " << *timeLimitSeconds << " s is reached\n";
  }
  text << "stopped\n";
  return text.str();
}

void checkTimeLimit(const std::optional<double>& seconds) {
  if (seconds && (!(*seconds > 0.0) || !std::isfinite(*seconds))) {
    throw BadInput{"--time-limit must be a positive number of seconds"};
  }
}

RunStop::RunStop(std::optional<double> timeLimitSeconds) : timeLimit_(timeLimitSeconds) {
  int ends[2];
  if (::pipe2(ends, O_CLOEXEC) != 0) throw std::system_error(errno, std::generic_category(), "pipe2");
  readEnd_ = ends[0];
  writeEnd_ = ends[1];
  // The handler must never block: a full pipe already holds a stop.
  ::fcntl(writeEnd_, F_SETFL, ::fcntl(writeEnd_, F_GETFL) | O_NONBLOCK);

  int expected = -1;
  if (!signalPipe.compare_exchange_strong(expected, writeEnd_)) {
    ::close(readEnd_);
    ::close(writeEnd_);
    throw std::logic_error("one RunStop at a time");
  }
  install(SIGINT, &previousInterrupt);
  install(SIGTERM, &previousTerminate);

  std::optional<std::chrono::steady_clock::time_point> deadline;
  if (timeLimitSeconds && *timeLimitSeconds < longestTimeLimit) {
    deadline = std::chrono::steady_clock::now() + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                                                      std::chrono::duration<double>(*timeLimitSeconds));
  }
  // Last: nothing after it can throw, so the destructor always joins it.
  watcher_ = std::thread([this, deadline] { watch(deadline); });
}

RunStop::~RunStop() {
  ::sigaction(SIGINT, &previousInterrupt, nullptr);
  ::sigaction(SIGTERM, &previousTerminate, nullptr);
  signalPipe.store(-1);
  const unsigned char wake = 0;
  while (::write(writeEnd_, &wake, 1) < 0 && errno == EINTR) {
  }
  watcher_.join();
  ::close(readEnd_);
  ::close(writeEnd_);
}

void RunStop::requestStop(StopCause cause) {
  StopCause expected = StopCause::none;
  if (cause_.compare_exchange_strong(expected, cause, std::memory_order_acq_rel)) source_.request_stop();
}

void RunStop::watch(std::optional<std::chrono::steady_clock::time_point> deadline) {
  for (;;) {
    int timeoutMs = -1;
    if (deadline) {
      const auto left = *deadline - std::chrono::steady_clock::now();
      if (left <= std::chrono::steady_clock::duration::zero()) {
        requestStop(StopCause::timeLimit);
        deadline.reset();
        continue;
      }
      // Rounded up, so the watcher never wakes before the deadline.
      const auto ms = std::chrono::ceil<std::chrono::milliseconds>(left).count();
      timeoutMs = ms > INT_MAX ? INT_MAX : static_cast<int>(ms);
    }
    pollfd wait{readEnd_, POLLIN, 0};
    const int ready = ::poll(&wait, 1, timeoutMs);
    if (ready < 0 && errno != EINTR) return;
    if (ready <= 0) continue;
    unsigned char byte = 0;
    const ssize_t got = ::read(readEnd_, &byte, 1);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0 || byte == 0) return;
    requestStop(byte == SIGINT ? StopCause::interrupt : StopCause::terminate);
  }
}

}  // namespace tallyfold::cli
