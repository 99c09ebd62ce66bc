#pragma once
// The lines that show how uncertain the estimates of a run are: the
// bootstrap's percentile intervals per estimator and, for a simulation
// study, how well each estimator recovers the known size. The windows
// ("Confidence Intervals", "Coverage") and the command-line program show
// these same lines.
#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "numeric/PercentileInterval.h"
#include "simulation/EstimateTables.h"
#include "simulation/StudyAccuracy.h"

namespace tallyfold {

// The percentile interval of each row of the population-size table, rows
// in table order.
std::vector<PercentileInterval> estimateIntervals(const EstimateTables& tables, double level);

// A heading and one line per estimator: lower and upper bound, the
// replicates used and those without an estimate.
std::vector<std::string> intervalLines(std::span<const std::string_view> names,
                                       std::span<const PercentileInterval> intervals, double level);

// A heading and one line per estimator of a study of populationSize units:
// coverage of the evaluation's intervals at `level` (or n/a without the
// evaluation), RMSE and bias.
std::vector<std::string> accuracyLines(const std::array<EstimatorAccuracy, studyEstimators>& accuracy,
                                       std::int32_t populationSize, double level);

}  // namespace tallyfold
