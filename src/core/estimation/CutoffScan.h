#pragma once
// The cut-off scan of a count table f(1..m): for each cut-off tau the
// estimators run on the cut table f(1..tau) alone, and the units seen more
// than tau times are added back as known, N(tau) = N_hat(f(1..tau)) +
// above(tau). Units seen often say little about the unseen and may follow
// another law than the rarely seen; how N moves with tau shows how much an
// estimate leans on them.
//
// Per row: the zero-truncated Poisson at its maximum-likelihood mean, the
// NPMLE of the Poisson mixture (componentSearch under the settings'
// criterion), Chao, Zelterman 1 and the zero-truncated negative binomial at
// its maximum likelihood (ztnbMle; in its Poisson limit the Poisson's N, as
// ztnbMle reports it). The closed forms keep their N0 rounded as the system
// rounds them (estimateTable), the NPMLE's N is rounded to the nearest whole
// number as the system rounds estimateNall, the Poisson and ZTNB N are not
// rounded. An estimator without a value on the cut table (its problem
// functions say why; the ZTNB when it is unbounded or cannot be fitted)
// gives none.
//
// A stop request is looked at before each row and inside each search; once
// seen the result has stopped = true and its other fields mean nothing.
#include <cstdint>
#include <optional>
#include <span>
#include <stop_token>
#include <vector>

#include "estimation/EMtrun_alg.h"
#include "estimation/WholeEstimate.h"

namespace tallyfold {

struct CutoffRow {
  bool stopped = false;  // true: stopped inside the row, the rest means nothing
  std::int32_t cutoff = 0;         // tau
  std::int64_t observedBelow = 0;  // n(tau) = f(1) + ... + f(tau)
  std::int64_t above = 0;          // units seen more than tau times
  std::optional<double> poissonN;
  WholeEstimate npmleN;
  WholeEstimate chaoN;
  WholeEstimate z1N;
  std::optional<double> ztnbN;
};

struct CutoffScanResult {
  bool stopped = false;  // true: stopped before the end, the rows mean nothing
  std::vector<CutoffRow> rows;  // tau = 2..m in order; none for m < 2
};

// The row of cut-off tau, 1 <= tau <= m; a tau outside has no cut table and
// gives a row with no estimate and no units.
CutoffRow cutoffRow(std::span<const std::int32_t> counts, std::int32_t tau, const SearchSettings& settings,
                    std::stop_token stop = {});

// The rows tau = 2..m.
CutoffScanResult cutoffScan(std::span<const std::int32_t> counts, const SearchSettings& settings,
                            std::stop_token stop = {});

}  // namespace tallyfold
