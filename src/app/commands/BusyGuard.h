#pragma once
// One computation at a time. The calculation, simulation, bootstrap and
// Poisson-Gamma commands share the guard `calcThread` of the shared state:
// -1 while idle, otherwise the handle of the running worker.
//
// A computation is a job: it gets copies of the settings and data it needs
// when it starts (on the interface thread), runs on a worker, and hands its
// result to the interface thread, which alone writes the shared state. The
// guard owns the stop request of the running job.
#include <functional>
#include <optional>
#include <stop_token>
#include <string_view>

namespace tallyfold {

// The menu item that stops the running computation (usable only while one
// runs) and its key.
inline constexpr std::string_view stopComputationCaption = "Stop Computation";
inline constexpr std::string_view stopComputationKeys = "Esc";

// What a job's worker hands back: the task that stores the job's result in
// the shared state and draws it, run on the interface thread; nothing when
// the job saw the stop request and ended without a result.
using JobFinish = std::function<void()>;
using Job = std::function<std::optional<JobFinish>(std::stop_token)>;

// True while a computation runs.
bool computationActive();

// When a computation runs, shows "Calculation is active!" (title "STATUS")
// and returns true; otherwise returns false and shows nothing.
bool refuseWhileBusy();

// Claims the guard, makes "Stop Computation" usable and runs `job` on a
// worker thread. Returns false, having told the user why, when a
// computation already runs or no thread could be started (the guard is then
// released again).
//
// When the worker is done, on the interface thread: the job's finishing
// task runs; or, for a stopped job, `onAbandon` runs and the status window
// reads "Computation stopped."; or, when a numerical error that would end
// the program (or any other exception) abandoned the job, `onAbandon` runs
// and the message is shown in a box titled "Error". Then the guard is
// released, "Stop Computation" is disabled and the status bar reads
// "Waiting".
bool startJob(Job job, std::function<void()> onAbandon = {});

// A job without a result of its own that cannot be stopped: `work` runs on
// the worker.
bool startComputation(std::function<void()> work, std::function<void()> onAbandon = {});

// Asks the running job to stop (nothing when none runs). Its worker ends
// promptly; the guard is released when its end reaches the interface
// thread.
void requestStop();

}  // namespace tallyfold
