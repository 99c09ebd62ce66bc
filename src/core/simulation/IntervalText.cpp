#include "simulation/IntervalText.h"

#include "common/FieldLayout.h"

namespace tallyfold {

namespace {

std::string leftText(std::string_view text, std::size_t width) {
  std::string cell(text);
  if (cell.size() < width) cell.resize(width, ' ');
  return cell;
}

std::string optionalF(const std::optional<double>& value, int width, int decimals) {
  return value ? formatF(*value, width, decimals) : formatEstimate(std::nullopt, width);
}

}  // namespace

std::vector<PercentileInterval> estimateIntervals(const EstimateTables& tables, double level) {
  std::vector<PercentileInterval> intervals;
  for (int j = 1; j <= tables.estimators(); ++j) intervals.push_back(percentileInterval(tables.estimateRow(j), level));
  return intervals;
}

std::vector<std::string> intervalLines(std::span<const std::string_view> names,
                                       std::span<const PercentileInterval> intervals, double level) {
  std::vector<std::string> lines;
  lines.push_back(" Bootstrap percentile intervals of N, " + levelPercent(level) +
                  " % (replicates without an estimate are left out)");
  lines.push_back(" Estimator         Lower        Upper     Used  Missing");
  for (std::size_t j = 0; j < intervals.size() && j < names.size(); ++j) {
    const PercentileInterval& i = intervals[j];
    lines.push_back(" " + leftText(names[j], 12) + optionalF(i.lower, 11, 1) + optionalF(i.upper, 13, 1) +
                    formatI(i.used, 9) + formatI(i.missing, 9));
  }
  return lines;
}

std::vector<std::string> accuracyLines(const std::array<EstimatorAccuracy, studyEstimators>& accuracy,
                                       std::int32_t populationSize, double level) {
  std::vector<std::string> lines;
  lines.push_back(" Against the known size N = " + std::to_string(populationSize) + ": coverage of the " +
                  levelPercent(level) + " % bootstrap intervals, RMSE and bias");
  lines.push_back(" Estimator    Coverage  Covered  Evaluated         RMSE         Bias     Used  Missing");
  for (std::size_t j = 0; j < accuracy.size(); ++j) {
    const EstimatorAccuracy& a = accuracy[j];
    lines.push_back(" " + leftText(studyEstimatorNames[j], 12) + optionalF(a.coverage, 9, 3) + formatI(a.covered, 9) +
                    formatI(a.evaluated, 11) + optionalF(a.rmse, 13, 2) + optionalF(a.bias, 13, 2) +
                    formatI(a.used, 9) + formatI(a.missing, 9));
  }
  return lines;
}

}  // namespace tallyfold
