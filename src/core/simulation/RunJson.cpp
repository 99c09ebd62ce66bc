#include "simulation/RunJson.h"

#include "common/JsonValues.h"
#include "data/CountTable.h"
#include "settings/Defaults.h"
#include "simulation/IntervalText.h"

namespace tallyfold {

namespace {

nlohmann::json valueJson(const ValueSummary& v) {
  return {{"mean", jsonOrNull(v.nearestMean)},
          {"median", jsonOrNull(v.median)},
          {"sd", finiteOrNull(v.standardDeviation)},
          {"medianDeviation", finiteOrNull(v.medianDeviation)}};
}

}  // namespace

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

nlohmann::json bootstrapJson(const std::string& file, std::span<const std::int32_t> counts,
                             const SearchSettings& settings, const BootstrapJsonParts& parts,
                             const BootstrapResult& result, const SimulationSummary& summary,
                             const std::vector<std::string>& files) {
  return bootstrapJson(file, counts.size(), observedUnits(counts), settings, parts, result.tables, result.components,
                       summary, files);
}

nlohmann::json bootstrapJson(const std::string& file, std::size_t m, std::int64_t n, const SearchSettings& settings,
                             const BootstrapJsonParts& parts, const EstimateTables& tables,
                             const std::vector<std::int32_t>& components, const SimulationSummary& summary,
                             const std::vector<std::string>& files) {
  nlohmann::json j;
  j["file"] = file;
  j["m"] = m;
  j["n"] = n;
  j["settings"] = {{"exactness", settings.exactness},
                   {"criterion", criterionName(settings.stopCriterion)},
                   {"maxComponents", settings.maxComponents},
                   {"replications", parts.replications}};
  j["seed"] = parts.seed;
  j["observed"] = {{"components", parts.observedComponents}, {"nall", jsonOrNull(parts.observedNall)}};
  j["replications"] = replicatesJson(tables, &components, std::nullopt);
  j["summary"] = summaryJson(studyEstimatorNames, summary);
  j["summaryFile"] = summaryFileLines(summary);
  j["files"] = files;
  j["intervals"] = intervalsJson(studyEstimatorNames, estimateIntervals(tables, parts.level));
  return j;
}

nlohmann::json studyJson(const StudySettings& s, const std::string& dataFile, std::int32_t seed,
                         const StudyResult& result, const SimulationSummary& summary,
                         const std::array<EstimatorAccuracy, studyEstimators>& accuracy,
                         const std::vector<std::string>& files) {
  nlohmann::json j;
  j["model"] = s.fromDataset ? nlohmann::json{{"fromData", dataFile}}
                             : nlohmann::json{{"lambda", s.lambda}, {"weight", s.weight}};
  j["settings"] = {{"populationSize", s.populationSize},
                   {"replications", s.replications},
                   {"counts", s.numCounts},
                   {"exactness", s.search.exactness},
                   {"criterion", criterionName(s.search.stopCriterion)},
                   {"maxComponents", s.search.maxComponents},
                   {"bootReplications", s.evaluate ? nlohmann::json(s.bootReplications) : nlohmann::json(nullptr)}};
  j["seed"] = seed;
  j["replications"] = replicatesJson(result.tables, &result.components, result.evalMedian);
  j["summary"] = summaryJson(studyEstimatorNames, summary);
  j["summaryFile"] = summaryFileLines(summary);
  j["files"] = files;
  j["level"] = s.level;
  j["accuracy"] = accuracyJson(accuracy);
  if (result.evalIntervals) {
    for (std::size_t r = 0; r < result.evalIntervals->size(); ++r) {
      j["replications"][r]["intervals"] = intervalsJson(studyEstimatorNames, (*result.evalIntervals)[r]);
    }
  }
  return j;
}

nlohmann::json poissonGammaJson(const PoissonGammaSettings& s, std::int32_t seed, const PoissonGammaResult& result,
                                const SimulationSummary& summary, const std::vector<std::string>& files) {
  nlohmann::json j;
  j["model"] = {{"alpha", s.alpha}, {"kappa", s.kappa}};
  j["settings"] = {{"populationSize", s.populationSize}, {"replications", s.replications}, {"counts", s.numCounts}};
  j["seed"] = seed;
  j["replications"] = replicatesJson(result.tables, nullptr, std::nullopt);
  j["summary"] = summaryJson(poissonGammaEstimatorNames, summary);
  j["files"] = files;
  return j;
}

}  // namespace tallyfold
