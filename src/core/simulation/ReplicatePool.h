#pragma once
// The replicates of a bootstrap or simulation on a pool of worker threads,
// with the serial run's bytes.
//
// runReplicates takes three steps per replicate rep = 1 .. R:
//   prepare(rep)     on the calling thread, in replicate order: everything
//                    that draws from the random stream, so the stream gives
//                    the numbers it gives a serial run;
//   fit(rep, stop)   on a worker, replicates in any order and side by side:
//                    the replicate's own fits, which read shared inputs and
//                    write only the replicate's own slot;
//   finish(rep)      on the calling thread, in replicate order, once every
//                    replicate up to rep is fitted: log lines, progress and
//                    the rows of the result.
// The steps of one replicate run one after the other: each sees what the
// step before it wrote. At most replicatesInFlight(threads) replicates are
// prepared and not yet fitted, so what prepare draws ahead is bounded by a
// few replicates per thread, whatever R is; a replicate that is fitted waits
// for its turn to finish while the workers go on with the next ones, so
// what fit leaves for finish should be small (the replicate's rows).
//
// With one thread there is no pool: prepare, fit and finish of each
// replicate in turn, on the calling thread.
//
// The stop request is looked at before each prepare and each finish, and
// fit gets a token that is stopped with it (and when the run ends early).
// A stopped run returns false and has called finish for whole replicates
// only. An exception of prepare or finish ends the run at once; one of fit
// is rethrown on the calling thread at its replicate's turn to finish, so
// the replicates before it are finished as in a serial run. The workers
// are joined before runReplicates returns or throws.
#include <functional>
#include <limits>
#include <stop_token>

namespace tallyfold {

// The number of threads a `threads` setting asks for: 0 means every core
// (std::thread::hardware_concurrency, 1 where it is not known); never
// below 1.
int replicateThreads(int threads);

// The most replicates prepared and not yet fitted on `threads` threads:
// one being fitted by each worker and one drawn ahead for it; 1 serially.
int replicatesInFlight(int threads);

struct ReplicateSteps {
  std::function<void(int rep)> prepare;  // may be empty
  std::function<void(int rep, std::stop_token stop)> fit;
  std::function<void(int rep)> finish;
};

// Runs replicates 1 .. replications on `threads` threads (>= 1); true when
// every replicate is finished, false when stopped.
bool runReplicates(int replications, int threads, const ReplicateSteps& steps, std::stop_token stop);

// The replicates first .. last (1-based) of a run; none when last < first.
// A run that is spread over several processes fits one block in each.
struct ReplicateBlock {
  int first = 1;
  int last = std::numeric_limits<int>::max();

  int size() const { return last < first ? 0 : last - first + 1; }
  bool contains(int rep) const { return first <= rep && rep <= last; }
};

// Every replicate of a run.
inline constexpr ReplicateBlock allReplicates{};

// The block within 1 .. replications.
ReplicateBlock withinRun(ReplicateBlock block, int replications);

// runReplicates over the replicates of `block` (within the run), the steps
// called with their replicate numbers; at most one thread per replicate.
bool runReplicateBlock(ReplicateBlock block, int threads, const ReplicateSteps& steps, std::stop_token stop);

}  // namespace tallyfold
