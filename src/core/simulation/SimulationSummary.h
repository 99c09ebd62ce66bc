#pragma once
// The summary of a simulation or bootstrap run: per estimator the mean,
// median and spread of its population-size estimates and of its unseen-unit
// estimates over the replicates. The statistics are computed once, here;
// the results window, the summary file and the command-line program format
// this one result.
//
// Each statistic is taken over the replicates that have an estimate. A
// statistic that has no value (no replicate with an estimate, a standard
// deviation of fewer than two values) is shown as the no-estimate text.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "simulation/EstimateTables.h"

namespace tallyfold {

struct ValueSummary {
  int count = 0;                              // replicates with a value
  std::optional<std::int64_t> nearestMean;    // sum / count in single precision, to the nearest integer
  std::optional<std::int64_t> truncatedMean;  // sum / count in integer arithmetic, truncated toward zero
  std::optional<std::int64_t> median;         // median, to the nearest integer
  double standardDeviation = 0.0;             // sqrt of the sample variance; NaN for fewer than two values
  double medianDeviation = 0.0;  // sqrt of the median squared deviation from the median; NaN without values
};

// The statistics of one row of values.
ValueSummary summarizeValues(std::span<const Estimate> values);

struct SimulationSummary {
  int replications = 0;
  std::vector<ValueSummary> estimates;   // one per estimator row
  std::vector<ValueSummary> unobserved;  // one per estimator row
  // The known population size (simulations); none for the bootstrap.
  std::optional<std::int32_t> populationSize;
  // The per-replicate bootstrap evaluation, when the run made one.
  std::optional<ValueSummary> evaluation;

  int estimators() const { return static_cast<int>(estimates.size()); }
  // Truncated mean of estimator k (1-based) minus the known size.
  std::optional<std::int64_t> bias(int k) const;
};

SimulationSummary summarizeSimulation(const EstimateTables& tables, std::optional<std::int32_t> populationSize,
                                      const std::optional<std::vector<Estimate>>& evaluation = std::nullopt);

// --- Layouts ---

// "(Iw)" of a statistic, or the no-estimate text right-justified.
std::string formatStatistic(std::optional<std::int64_t> value, int width);
// "(Fw.d)" of a spread, or the no-estimate text right-justified when it is
// not finite.
std::string formatSpread(double value, int width, int decimals);

// One row of the "Simulation Results" window.
struct SummaryRow {
  enum class Kind {
    perEstimator,  // label, one value per estimator at x = (k + 1) * 90
    single,        // label, one value at x = 180
    heading,       // label only
    separator,     // a line across the table; takes no height
  };
  Kind kind;
  std::string label;                // as drawn: list-directed, trailing blanks dropped
  std::vector<std::string> values;  // as drawn: leading blanks kept, trailing dropped
};

inline constexpr int summaryColumnWidth = 90;
inline constexpr int summaryLineHeight = 15;
inline constexpr int summaryLeftMargin = 5;

// The column header over the values: seven estimators, or the five of the
// Poisson-Gamma simulation.
std::string summaryColumnHeader(int estimators);

// The rows of the window, top to bottom.
std::vector<SummaryRow> summaryWindowRows(const SimulationSummary& summary);

// The five lines of the summary file (header, mean, st. err., median,
// st. err. median), with the evaluation column when the summary has one.
std::vector<std::string> summaryFileLines(const SimulationSummary& summary);

}  // namespace tallyfold
