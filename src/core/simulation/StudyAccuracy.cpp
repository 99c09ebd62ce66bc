#include "simulation/StudyAccuracy.h"

#include <cmath>

namespace tallyfold {

std::array<EstimatorAccuracy, studyEstimators> studyAccuracy(const StudyResult& result, std::int32_t populationSize) {
  std::array<EstimatorAccuracy, studyEstimators> accuracy{};
  const auto truth = static_cast<double>(populationSize);
  for (int j = 1; j <= studyEstimators; ++j) {
    EstimatorAccuracy& a = accuracy[static_cast<std::size_t>(j - 1)];
    double sum = 0.0;
    double squares = 0.0;
    for (int r = 1; r <= result.tables.replications(); ++r) {
      const Estimate& value = result.tables.estimates(j, r);
      if (!value) {
        ++a.missing;
        continue;
      }
      ++a.used;
      const double error = static_cast<double>(*value) - truth;
      sum += error;
      squares += error * error;
    }
    if (a.used > 0) {
      a.bias = sum / a.used;
      a.rmse = std::sqrt(squares / a.used);
    }

    if (!result.evalIntervals) continue;
    for (const EstimatorIntervals& intervals : *result.evalIntervals) {
      const PercentileInterval& interval = intervals[static_cast<std::size_t>(j - 1)];
      if (!interval.lower || !interval.upper) continue;
      ++a.evaluated;
      if (*interval.lower <= truth && truth <= *interval.upper) ++a.covered;
    }
    if (a.evaluated > 0) a.coverage = static_cast<double>(a.covered) / a.evaluated;
  }
  return accuracy;
}

}  // namespace tallyfold
