#include "commands/BusyGuard.h"

#include <exception>
#include <memory>
#include <string>

#include "numeric/ErrorReporting.h"
#include "state/GlobalVar.h"
#include "windows/WindowServices.h"

namespace tallyfold {

namespace {
// The value the guard holds between its claim and the moment the worker's
// handle is known.
constexpr std::int32_t claimed = 0;
}  // namespace

bool computationActive() { return globalVar().calcThread.load() != -1; }

bool refuseWhileBusy() {
  if (!computationActive()) return false;
  windows().messageBox("Calculation is active!", "STATUS");
  return true;
}

bool startComputation(std::function<void()> work, std::function<void()> onAbandon) {
  GlobalVar& g = globalVar();
  std::int32_t idle = -1;
  if (!g.calcThread.compare_exchange_strong(idle, claimed)) {
    windows().messageBox("Calculation is active!", "STATUS");
    return false;
  }

  auto routine = [work = std::move(work), onAbandon = std::move(onAbandon)] {
    std::string failure;
    try {
      work();
    } catch (const TerminalError& e) {
      failure = e.printed();
    } catch (const std::exception& e) {
      failure = std::string("The computation was abandoned: ") + e.what();
    }
    if (!failure.empty()) {
      resetErrorState();
      if (onAbandon) {
        try {
          onAbandon();
        } catch (...) {
        }
      }
      windows().messageBox(failure, "Error");
    }
    globalVar().calcThread.store(-1);
    windows().setStatusBarText("Waiting");
  };

  const std::int32_t handle = windows().startThread(std::move(routine));
  if (handle < 0) {
    g.calcThread.store(-1);
    windows().messageBox("The computation could not be started!", "Error");
    return false;
  }
  // The worker may already have finished and released the guard.
  std::int32_t expected = claimed;
  g.calcThread.compare_exchange_strong(expected, handle);
  return true;
}

}  // namespace tallyfold
