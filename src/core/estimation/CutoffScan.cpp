#include "estimation/CutoffScan.h"

#include <cmath>

#include "common/StoppedResult.h"
#include "data/CountTable.h"
#include "estimation/EMtrun.h"
#include "estimation/TableEstimates.h"
#include "estimation/ZeroTruncated.h"
#include "estimation/ZtnbMle.h"

namespace tallyfold {

namespace {

// known + unseen, none when the sum has no finite value.
std::optional<double> finiteSum(double known, double unseen) {
  const double sum = known + unseen;
  if (!std::isfinite(sum)) return std::nullopt;
  return sum;
}

}  // namespace

CutoffRow cutoffRow(std::span<const std::int32_t> counts, std::int32_t tau, const SearchSettings& settings,
                    std::stop_token stop) {
  if (stop.stop_requested()) return stoppedResult<CutoffRow>();
  CutoffRow row;
  row.cutoff = tau;
  if (tau < 1 || static_cast<std::size_t>(tau) > counts.size()) return row;
  const std::span<const std::int32_t> cut = counts.first(static_cast<std::size_t>(tau));
  row.observedBelow = observedUnits(cut);
  row.above = observedUnits(counts.subspan(static_cast<std::size_t>(tau)));
  const std::int64_t n = row.observedBelow + row.above;

  const SearchResult fit = componentSearch(cut, settings, false, {}, stop);
  if (fit.stopped) return stoppedResult<CutoffRow>();
  if (fit.estimable) {
    row.npmleN = plusObservedUnits(wholeEstimate(estimateNall(cut, fit.lambda, fit.weight)), row.above);
  }

  const TableEstimates closedForms = estimateTable(cut, std::nullopt);
  row.chaoN = plusObservedUnits(closedForms.chao, n);
  row.z1N = plusObservedUnits(closedForms.zelterman1, n);

  // The Poisson and the ZTNB need what the mixture needs: not every unit seen once.
  if (!mixtureProblem(cut)) {
    row.poissonN = finiteSum(static_cast<double>(n), truncatedPoissonUnseen(cut));
    const ZtnbFit ztnb = ztnbMle(cut);
    if ((ztnb.status == ZtnbStatus::estimated || ztnb.status == ZtnbStatus::poissonLimit) && ztnb.n0) {
      row.ztnbN = finiteSum(static_cast<double>(n), *ztnb.n0);
    }
  }
  return row;
}

CutoffScanResult cutoffScan(std::span<const std::int32_t> counts, const SearchSettings& settings,
                            std::stop_token stop) {
  CutoffScanResult result;
  const auto m = static_cast<std::int32_t>(counts.size());
  for (std::int32_t tau = 2; tau <= m; ++tau) {
    if (stop.stop_requested()) return stoppedResult<CutoffScanResult>();
    CutoffRow row = cutoffRow(counts, tau, settings, stop);
    if (row.stopped) return stoppedResult<CutoffScanResult>();
    result.rows.push_back(std::move(row));
  }
  return result;
}

}  // namespace tallyfold
