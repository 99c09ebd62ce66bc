#pragma once
// The windows that say how uncertain a run's estimates are: after a
// bootstrap, "Confidence Intervals" (each estimator's percentile interval);
// after a simulation study, "Coverage" (how often the evaluation's
// intervals hold the known size, RMSE and bias). Both show the lines the
// command-line program prints.
#include <array>
#include <cstdint>
#include <string_view>

#include "simulation/EstimateTables.h"
#include "simulation/StudyAccuracy.h"

namespace tallyfold {

inline constexpr std::string_view confidenceIntervalsTitle = "Confidence Intervals";
inline constexpr std::string_view coverageTitle = "Coverage";

// Opens (or replaces) the window of a bootstrap's seven-estimator table.
void showConfidenceIntervals(const EstimateTables& tables, double level);

// Opens (or replaces) the window of a study of populationSize units.
void showCoverage(const std::array<EstimatorAccuracy, studyEstimators>& accuracy, std::int32_t populationSize,
                  double level);

}  // namespace tallyfold
