#pragma once
// The per-estimator summary of a bootstrap or simulation run as
// tallyfold-cli prints it, in text and in JSON, and the per-replicate
// JSON rows. A summary with a known population size (a simulation) has a
// bias beside each estimator; the bootstrap's has none.
#include <array>
#include <cstdint>
#include <iosfwd>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "simulation/EstimateTables.h"
#include "simulation/SimulationSummary.h"
#include "simulation/StudyAccuracy.h"

namespace tallyfold::cli {

// The per-estimator table (with the bias when the size is known), the line
// of the bootstrap evaluation when there is one, the summary file rows when
// `fileRows`, and a "wrote" line per file.
void printSummary(std::ostream& out, std::span<const std::string_view> names, const SimulationSummary& summary,
                  bool fileRows, const std::vector<std::string>& files);

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

// A blank line, then the lines.
void printBlock(std::ostream& out, const std::vector<std::string>& lines);

}  // namespace tallyfold::cli
