#include "commands/BusyGuard.h"

#include <exception>
#include <memory>
#include <mutex>
#include <string>
#include <utility>

#include "numeric/ErrorReporting.h"
#include "startup/startWin.h"
#include "state/GlobalVar.h"
#include "windows/WindowServices.h"

namespace tallyfold {

namespace {
// The value the guard holds between its claim and the moment the worker's
// handle is known.
constexpr std::int32_t claimed = 0;

// The stop request of the running job, present from the claim of the guard
// to its release.
struct RunningStop {
  std::mutex mutex;
  std::optional<std::stop_source> source;
};

RunningStop& runningStop() {
  static RunningStop instance;
  return instance;
}

std::stop_token beginStop() {
  RunningStop& r = runningStop();
  std::lock_guard lock(r.mutex);
  r.source.emplace();
  return r.source->get_token();
}

void release() {
  {
    RunningStop& r = runningStop();
    std::lock_guard lock(r.mutex);
    r.source.reset();
  }
  globalVar().calcThread.store(-1);
  windows().setMenuEntryEnabled(stopComputationCaption, false);
}

void runSafely(const std::function<void()>& action) {
  if (!action) return;
  try {
    action();
  } catch (...) {
  }
}

}  // namespace

bool computationActive() { return globalVar().calcThread.load() != -1; }

bool refuseWhileBusy() {
  if (!computationActive()) return false;
  windows().messageBox("Calculation is active!", "STATUS");
  return true;
}

bool startJob(Job job, std::function<void()> onAbandon) {
  GlobalVar& g = globalVar();
  std::int32_t idle = -1;
  if (!g.calcThread.compare_exchange_strong(idle, claimed)) {
    windows().messageBox("Calculation is active!", "STATUS");
    return false;
  }
  const std::stop_token stop = beginStop();
  windows().setMenuEntryEnabled(stopComputationCaption, true);

  auto routine = [job = std::move(job), onAbandon = std::move(onAbandon), stop] {
    std::optional<JobFinish> finish;
    std::string failure;
    try {
      finish = job(stop);
    } catch (const TerminalError& e) {
      failure = e.printed();
    } catch (const std::exception& e) {
      failure = std::string("The computation was abandoned: ") + e.what();
    }
    // The error facility's stack belongs to this thread.
    if (!failure.empty()) resetErrorState();
    windows().postToInterface([finish = std::move(finish), failure = std::move(failure), onAbandon] {
      if (!failure.empty()) {
        runSafely(onAbandon);
        windows().messageBox(failure, "Error");
      } else if (!finish) {
        runSafely(onAbandon);
        writeStatus("Computation stopped.");
      } else if (*finish) {
        (*finish)();
      }
      release();
      windows().setStatusBarText("Waiting");
    });
  };

  const std::int32_t handle = windows().startThread(std::move(routine));
  if (handle < 0) {
    release();
    windows().messageBox("The computation could not be started!", "Error");
    return false;
  }
  // The worker may already have finished and released the guard.
  std::int32_t expected = claimed;
  g.calcThread.compare_exchange_strong(expected, handle);
  return true;
}

bool startComputation(std::function<void()> work, std::function<void()> onAbandon) {
  return startJob(
      [work = std::move(work)](std::stop_token) -> std::optional<JobFinish> {
        work();
        return JobFinish{};
      },
      std::move(onAbandon));
}

void requestStop() {
  RunningStop& r = runningStop();
  std::lock_guard lock(r.mutex);
  if (r.source) r.source->request_stop();
}

}  // namespace tallyfold
