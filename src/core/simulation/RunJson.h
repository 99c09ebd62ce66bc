#pragma once
// A bootstrap or simulation run as JSON, as tallyfold-cli bootstrap,
// simulate and pg-simulate write it with --json and the windowed program
// saves it: the settings and seed, one object per replicate, the
// per-estimator summary (with the bias when the population size is known),
// the summary file rows, the files written, and the intervals or the
// study's accuracy.
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "estimation/EMtrun_alg.h"
#include "numeric/PercentileInterval.h"
#include "simulation/BootstrapEngine.h"
#include "simulation/EstimateTables.h"
#include "simulation/SimulationEngine.h"
#include "simulation/SimulationSummary.h"
#include "simulation/StudyAccuracy.h"

namespace tallyfold {

// One object per estimator name (with "bias" when the size is known), and
// "evalMedian" when the run made the evaluation.
nlohmann::json summaryJson(std::span<const std::string_view> names, const SimulationSummary& summary);

// One object per replicate: its estimates and N0 by row, and what else the
// run recorded for it.
nlohmann::json replicatesJson(const EstimateTables& tables, const std::vector<std::int32_t>* components,
                              const std::optional<std::vector<Estimate>>& evalMedian);

// {name: {lower, upper, level, used, missing}}, one per estimator in row order.
nlohmann::json intervalsJson(std::span<const std::string_view> names, std::span<const PercentileInterval> intervals);

// {name: {coverage, covered, evaluated, rmse, bias, used, missing}} of a study.
nlohmann::json accuracyJson(const std::array<EstimatorAccuracy, studyEstimators>& accuracy);

// The bootstrap of `counts` read from `file`: the observed fit's components
// and N, the replicates, the summary and the percentile intervals at `level`.
struct BootstrapJsonParts {
  std::int32_t replications;
  std::int32_t seed;
  std::int32_t observedComponents;
  Estimate observedNall;
  double level;
};
nlohmann::json bootstrapJson(const std::string& file, std::span<const std::int32_t> counts,
                             const SearchSettings& settings, const BootstrapJsonParts& parts,
                             const BootstrapResult& result, const SimulationSummary& summary,
                             const std::vector<std::string>& files);
// The same from the table's size alone (m classes, n units) and the
// replicates' tables, as a merge of shards has them.
nlohmann::json bootstrapJson(const std::string& file, std::size_t m, std::int64_t n, const SearchSettings& settings,
                             const BootstrapJsonParts& parts, const EstimateTables& tables,
                             const std::vector<std::int32_t>& components, const SimulationSummary& summary,
                             const std::vector<std::string>& files);

// The simulation study; `dataFile` names the table a nonparametric study
// draws from.
nlohmann::json studyJson(const StudySettings& settings, const std::string& dataFile, std::int32_t seed,
                         const StudyResult& result, const SimulationSummary& summary,
                         const std::array<EstimatorAccuracy, studyEstimators>& accuracy,
                         const std::vector<std::string>& files);

// The Poisson-Gamma simulation (it writes no summary file).
nlohmann::json poissonGammaJson(const PoissonGammaSettings& settings, std::int32_t seed,
                                const PoissonGammaResult& result, const SimulationSummary& summary,
                                const std::vector<std::string>& files);

}  // namespace tallyfold
