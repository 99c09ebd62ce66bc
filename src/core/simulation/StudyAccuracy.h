#pragma once
// How well each estimator of a simulation study recovers the known
// population size N: the coverage of its bootstrap percentile intervals
// (the share of evaluated replicates whose interval holds N), its root mean
// squared error sqrt(mean((N_hat - N)^2)) and its bias mean(N_hat) - N over
// the replicates that have an estimate. Replicates without an estimate or
// without an interval are left out and counted.
#include <array>
#include <cstdint>
#include <optional>

#include "simulation/EstimateTables.h"
#include "simulation/SimulationEngine.h"

namespace tallyfold {

struct EstimatorAccuracy {
  std::int32_t covered = 0;         // replicates whose interval holds N (bounds included)
  std::int32_t evaluated = 0;       // replicates with an interval
  std::optional<double> coverage;   // covered / evaluated; none when nothing was evaluated
  std::int32_t used = 0;            // replicates with an estimate
  std::int32_t missing = 0;         // replicates without one
  std::optional<double> rmse;       // none when used = 0
  std::optional<double> bias;
};

// Per estimator, rows in table order, for a study (not stopped) of a
// population of populationSize units; without the evaluation nothing is
// evaluated.
std::array<EstimatorAccuracy, studyEstimators> studyAccuracy(const StudyResult& result, std::int32_t populationSize);

}  // namespace tallyfold
