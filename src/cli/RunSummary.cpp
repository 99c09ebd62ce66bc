#include "RunSummary.h"

#include <ostream>

#include "CliSupport.h"
#include "simulation/SimulationFiles.h"

namespace tallyfold::cli {

namespace {

std::string right(std::string_view text, std::size_t width) {
  return std::string(width > text.size() ? width - text.size() : 0, ' ') + std::string(text);
}

nlohmann::json valueJson(const ValueSummary& v) {
  return {{"mean", jsonOrNull(v.nearestMean)},
          {"median", jsonOrNull(v.median)},
          {"sd", finiteOrNull(v.standardDeviation)},
          {"medianDeviation", finiteOrNull(v.medianDeviation)}};
}

}  // namespace

void printSummary(std::ostream& out, std::span<const std::string_view> names, const SimulationSummary& summary,
                  bool fileRows, const std::vector<std::string>& files) {
  const bool bias = summary.populationSize.has_value();
  out << "estimator " << right("mean", 10) << right("median", 10) << right("st. dev.", 14)
      << right("median dev.", 14) << right("N0 mean", 10) << right("N0 median", 10);
  if (bias) out << right("bias", 10);
  out << "\n";
  for (int k = 1; k <= summary.estimators(); ++k) {
    const ValueSummary& e = summary.estimates[static_cast<std::size_t>(k - 1)];
    const ValueSummary& u = summary.unobserved[static_cast<std::size_t>(k - 1)];
    std::string name(names[static_cast<std::size_t>(k - 1)]);
    name.resize(10, ' ');
    out << name << formatStatistic(e.nearestMean, 10) << formatStatistic(e.median, 10)
        << formatSpread(e.standardDeviation, 14, 1) << formatSpread(e.medianDeviation, 14, 1)
        << formatStatistic(u.truncatedMean, 10) << formatStatistic(u.median, 10);
    if (bias) out << formatStatistic(summary.bias(k), 10);
    out << "\n";
  }
  if (summary.evaluation) {
    const ValueSummary& v = *summary.evaluation;
    out << "eval. median of the bootstrap: mean " << formatStatistic(v.nearestMean, 10) << ", median "
        << formatStatistic(v.median, 10) << ", st. dev. " << formatSpread(v.standardDeviation, 14, 1) << "\n";
  }
  if (fileRows) {
    out << "\nSummary file rows\n";
    for (const std::string& line : summaryFileLines(summary)) out << line << "\n";
  }
  for (const std::string& file : files) out << "wrote " << file << "\n";
}

nlohmann::json summaryJson(std::span<const std::string_view> names, const SimulationSummary& summary) {
  nlohmann::json perEstimator = nlohmann::json::object();
  for (int k = 1; k <= summary.estimators(); ++k) {
    const ValueSummary& e = summary.estimates[static_cast<std::size_t>(k - 1)];
    const ValueSummary& u = summary.unobserved[static_cast<std::size_t>(k - 1)];
    nlohmann::json entry = valueJson(e);
    entry["unobservedMean"] = jsonOrNull(u.truncatedMean);
    entry["unobservedMedian"] = jsonOrNull(u.median);
    entry["unobservedSd"] = finiteOrNull(u.standardDeviation);
    if (summary.populationSize) entry["bias"] = jsonOrNull(summary.bias(k));
    perEstimator[std::string(names[static_cast<std::size_t>(k - 1)])] = entry;
  }
  if (summary.evaluation) perEstimator["evalMedian"] = valueJson(*summary.evaluation);
  return perEstimator;
}

nlohmann::json replicatesJson(const EstimateTables& tables, const std::vector<std::int32_t>* components,
                              const std::optional<std::vector<Estimate>>& evalMedian) {
  nlohmann::json replicates = nlohmann::json::array();
  for (int r = 1; r <= tables.replications(); ++r) {
    nlohmann::json estimates = nlohmann::json::array();
    nlohmann::json unobserved = nlohmann::json::array();
    for (int k = 1; k <= tables.estimators(); ++k) {
      estimates.push_back(jsonOrNull(tables.estimates(k, r)));
      unobserved.push_back(jsonOrNull(tables.unobserved(k, r)));
    }
    nlohmann::json entry{{"estimates", estimates}, {"unobserved", unobserved}};
    const auto index = static_cast<std::size_t>(r - 1);
    if (components) entry["components"] = (*components)[index];
    if (evalMedian) entry["evalMedian"] = jsonOrNull((*evalMedian)[index]);
    replicates.push_back(entry);
  }
  return replicates;
}

nlohmann::json intervalsJson(std::span<const std::string_view> names, std::span<const PercentileInterval> intervals) {
  nlohmann::json j = nlohmann::json::object();
  for (std::size_t i = 0; i < intervals.size() && i < names.size(); ++i) {
    const PercentileInterval& v = intervals[i];
    j[std::string(names[i])] = {{"lower", optionalJson(v.lower)}, {"upper", optionalJson(v.upper)},
                                {"level", v.level},               {"used", v.used},
                                {"missing", v.missing}};
  }
  return j;
}

nlohmann::json accuracyJson(const std::array<EstimatorAccuracy, studyEstimators>& accuracy) {
  nlohmann::json j = nlohmann::json::object();
  for (std::size_t i = 0; i < accuracy.size(); ++i) {
    const EstimatorAccuracy& a = accuracy[i];
    j[std::string(studyEstimatorNames[i])] = {{"coverage", optionalJson(a.coverage)}, {"covered", a.covered},
                                              {"evaluated", a.evaluated},             {"rmse", optionalJson(a.rmse)},
                                              {"bias", optionalJson(a.bias)},         {"used", a.used},
                                              {"missing", a.missing}};
  }
  return j;
}

void printBlock(std::ostream& out, const std::vector<std::string>& lines) {
  out << "\n";
  for (const std::string& line : lines) out << line << "\n";
}

}  // namespace tallyfold::cli
